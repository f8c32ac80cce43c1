// The SAPI 4 text-to-speech interfaces as the speech layer calls them: the enumerator of
// engine modes (voices), the central that speaks, the attributes of pitch, speed and
// volume, the notification sink that the system implements, and the audio destination
// handed to every engine selection. Calls return result codes as the COM interfaces do;
// olecheck turns a failure into a TovError carrying its text.
//
// Interfaces are reference counted through std::shared_ptr, as COM counts references.
// Everything here is called on the GUI thread; an engine's notifications reach the sink
// on the GUI thread too, posted there while it serves its event queue.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tov::sound {
class AudioDevice;
}

namespace tov::speech::sapi4 {

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
// The engine's own failures, in the interface facility.
inline constexpr HRESULT TTSERR_INVALIDMODE = static_cast<HRESULT>(0x80040201);
inline constexpr HRESULT TTSERR_NOAUDIO = static_cast<HRESULT>(0x80040202);
inline constexpr HRESULT TTSERR_NOTREGISTERED = static_cast<HRESULT>(0x80040203);

inline bool FAILED(HRESULT hr)
{
    return hr < 0;
}

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    std::array<uint8_t, 8> Data4{};
    bool operator==(const GUID&) const = default;
};
using IID = GUID;

inline constexpr IID IID_ITTSNotifySinkA{
    0x05EB6C6F, 0xDBAB, 0x11CD, {0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
inline constexpr IID IID_ITTSBufNotifySink{
    0xE4963D40, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
inline constexpr IID IID_ITTSAttributesA{
    0x0FD6E2A1, 0xE77D, 0x11CD, {0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};

// Lengths of the mode record's strings, terminator included.
inline constexpr size_t TTSI_NAMELEN = 262;
inline constexpr size_t TTSI_STYLELEN = 262;
inline constexpr size_t LANG_LEN = 64;

struct LANGUAGEA {
    uint16_t LanguageID = 0;
    std::array<char, LANG_LEN> szDialect{};
};

// One engine mode (a voice). The speech layer uses two fields: szModeName for the voice
// list and gModeID to select the engine; the rest describes the voice.
struct TTSMODEINFOA {
    GUID gEngineID;
    std::array<char, TTSI_NAMELEN> szMfgName{};
    std::array<char, TTSI_NAMELEN> szProductName{};
    GUID gModeID;
    std::array<char, TTSI_NAMELEN> szModeName{};
    LANGUAGEA language;
    std::array<char, TTSI_NAMELEN> szSpeaker{};
    std::array<char, TTSI_STYLELEN> szStyle{};
    uint16_t wGender = 0;
    uint16_t wAge = 0;
    uint32_t dwFeatures = 0;
    uint32_t dwInterfaces = 0;
    uint32_t dwEngineFeatures = 0;
};
static_assert(sizeof(TTSMODEINFOA) == 1424, "the mode record keeps the size engines fill in");

inline constexpr uint16_t GENDER_NEUTRAL = 0;
inline constexpr uint16_t GENDER_FEMALE = 1;
inline constexpr uint16_t GENDER_MALE = 2;

// A zero-terminated field as text (Windows-1250), and text into a field, cut to fit.
std::string fieldText(std::span<const char> field);
template <size_t N>
std::string fieldText(const std::array<char, N>& field)
{
    return fieldText(std::span<const char>(field.data(), N));
}
template <size_t N>
void setField(std::array<char, N>& field, std::string_view text)
{
    field.fill('\0');
    text.copy(field.data(), std::min(text.size(), N - 1));
}

// Plain text in the platform's 8-bit code page (Windows-1250 here).
enum VOICECHARSET : uint32_t {
    CHARSET_TEXT = 0,
    CHARSET_IPAPHONETIC = 1,
    CHARSET_ENGINEPHONETIC = 2
};

struct SDATA {
    const void* pData = nullptr;
    uint32_t dwSize = 0;
};

// What the system implements to hear from an engine: audio has started, audio has stopped.
class ITTSNotifySinkA {
public:
    virtual ~ITTSNotifySinkA() = default;
    virtual HRESULT AttribChanged(uint32_t attribute) = 0;
    virtual HRESULT AudioStart(uint64_t timestamp) = 0;
    virtual HRESULT AudioStop(uint64_t timestamp) = 0;
    virtual HRESULT Visual(uint64_t timestamp, char cIPAPhoneme, char cEnginePhoneme,
                           uint32_t dwHints) = 0;
};

// Pitch (16-bit), speed (32-bit) and volume (left channel in the low 16 bits, right in the
// high 16 bits). A set outside the engine's range is clamped to it, so setting 0 and the
// largest value and reading back gives the range. E_NOTIMPL: the engine has no such control.
class ITTSAttributesA {
public:
    virtual ~ITTSAttributesA() = default;
    virtual HRESULT PitchGet(uint16_t* pitch) = 0;
    virtual HRESULT PitchSet(uint16_t pitch) = 0;
    virtual HRESULT SpeedGet(uint32_t* speed) = 0;
    virtual HRESULT SpeedSet(uint32_t speed) = 0;
    virtual HRESULT VolumeGet(uint32_t* volume) = 0;
    virtual HRESULT VolumeSet(uint32_t volume) = 0;
};

// The selected engine.
class ITTSCentralA {
public:
    virtual ~ITTSCentralA() = default;
    virtual HRESULT QueryInterface(const IID& iid, std::shared_ptr<ITTSAttributesA>& out) = 0;
    // Queues the text behind what is being spoken and returns; the sink hears AudioStart
    // and AudioStop.
    virtual HRESULT TextData(VOICECHARSET charset, uint32_t flags, SDATA text,
                             void* notifyInterface, const IID& notifyIID) = 0;
    // Silences the engine and drops everything queued.
    virtual HRESULT AudioReset() = 0;
    // Control tags ("\Spd=200\") for the text that follows.
    virtual HRESULT Inject(const char* tags) = 0;
    virtual HRESULT Register(std::shared_ptr<ITTSNotifySinkA> sink, const IID& iid,
                             uint32_t* key) = 0;
    virtual HRESULT UnRegister(uint32_t key) = 0;
};

// Where an engine plays: the process's audio output.
class IAudioMultiMediaDevice {
public:
    virtual ~IAudioMultiMediaDevice() = default;
    virtual std::shared_ptr<sound::AudioDevice> device() const = 0;
};

// The engine modes of every installed engine, and the selection of one.
class ITTSEnumA {
public:
    virtual ~ITTSEnumA() = default;
    // Copies up to `count` records into `records`; S_FALSE when fewer were left.
    virtual HRESULT Next(uint32_t count, TTSMODEINFOA* records, uint32_t* fetched) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Select(const GUID& modeID, std::shared_ptr<ITTSCentralA>& central,
                           const std::shared_ptr<IAudioMultiMediaDevice>& audio) = 0;
};

// The text of a result code: the platform's wording for the codes it knows, else
// "OLE error %.8x".
std::string errorText(HRESULT hr);

// Throws TovError(errorText(hr)) when hr is a failure.
void olecheck(HRESULT hr);

} // namespace tov::speech::sapi4
