// Listing and selecting voices, their settings, and the voice dialog's handlers.
#include "speech/voiceselection.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace tov::speech {
namespace {

constexpr const char* kDefaultVoice = "Jakub";

// A level's range spans ten ticks.
constexpr double kTicks = 10.0;
// Pitch tags, speed tags: in engine units. Volume: the level holds the high byte of
// the 16-bit channel volume.
constexpr int kVolumeTagFactor = 256;

// Levels hold signed values; a larger engine value stays at the top.
int positionOf(uint32_t value)
{
    return static_cast<int>(std::min<uint32_t>(value, std::numeric_limits<int>::max()));
}

int ticksOf(uint32_t span)
{
    return static_cast<int>(std::nearbyint(static_cast<double>(span) / kTicks)); // half to even
}

// What an engine takes of one attribute, found by setting the smallest and the largest
// value of the attribute's own width and reading back what it kept; the value it had is
// set again afterwards. The results are read only for E_NOTIMPL (empty: the attribute is
// not there), because an engine clamps what it cannot take.
template <typename Value>
struct ProbedRange {
    Value lowest = 0;
    Value highest = 0;
    Value current = 0;
};

template <typename Value>
std::optional<ProbedRange<Value>> proberange(sapi4::ITTSAttributesA& a,
                                             sapi4::HRESULT (sapi4::ITTSAttributesA::*get)(Value*),
                                             sapi4::HRESULT (sapi4::ITTSAttributesA::*set)(Value))
{
    ProbedRange<Value> range;
    if ((a.*get)(&range.current) == sapi4::E_NOTIMPL ||
        (a.*set)(range.current) == sapi4::E_NOTIMPL) {
        return std::nullopt;
    }
    (a.*set)(0);
    (a.*get)(&range.lowest);
    (a.*set)(std::numeric_limits<Value>::max());
    (a.*get)(&range.highest);
    (a.*set)(range.current);
    return range;
}

// Bits 8 to 15: the high byte of the left channel.
int volumeByte(uint32_t volume)
{
    return static_cast<int>((volume >> 8) & 0xFF);
}

} // namespace

VoiceSelection::VoiceSelection(SpeechLayer& speech, runtime::ProcessControl& process)
    : speech_(speech), settings_(speech.voiceSettings()), view_(nullptr), process_(process)
{
    settings_.addObserver(*this);
}

VoiceSelection::VoiceSelection(SpeechLayer& speech, VoiceDialogView& view,
                               runtime::ProcessControl& process)
    : VoiceSelection(speech, process)
{
    view_ = &view;
}

VoiceSelection::~VoiceSelection()
{
    settings_.removeObserver(*this);
}

void VoiceSelection::fillvoicelist()
{
    SpeechState& s = speech_.mutableState();
    if (s.ttsenum == nullptr) {
        return;
    }
    VoiceSettings& list = settings_;
    sapi4::olecheck(s.ttsenum->Reset());
    sapi4::TTSMODEINFOA record;
    uint32_t fetched = 0;
    for (int index = 0;; ++index) {
        sapi4::olecheck(s.ttsenum->Next(1, &record, &fetched));
        if (fetched == 0) {
            break;
        }
        const std::string name = sapi4::fieldText(record.szModeName);
        // Filled a second time (speech switched off and on again): the lines are there.
        if (index < static_cast<int>(list.voices().size()) &&
            list.voices()[static_cast<size_t>(index)] == name) {
            continue;
        }
        list.addVoice(name);
    }
    if (list.voices().empty()) {
        return;
    }
    const auto jakub = std::ranges::find(list.voices(), kDefaultVoice);
    list.choose(jakub == list.voices().end()
                    ? 0
                    : static_cast<int>(std::distance(list.voices().begin(), jakub)));
    voicelistClick();
}

void VoiceSelection::voicelistClick()
{
    SpeechState& s = speech_.mutableState();
    if (s.ttsenum == nullptr) {
        return;
    }
    if (isActive()) {
        reset();
    }
    const int index = settings_.chosen();
    if (index < 0) {
        return;
    }
    // The list holds the voices in enumeration order: the line's record is the
    // (index + 1)th one.
    sapi4::olecheck(s.ttsenum->Reset());
    sapi4::TTSMODEINFOA record;
    uint32_t fetched = 0;
    for (int n = 0; n <= index; ++n) {
        sapi4::olecheck(s.ttsenum->Next(1, &record, &fetched));
        if (fetched == 0) {
            return; // the engine lists fewer voices than the list shows
        }
    }
    s.selectedmode = record;
    if (isActive()) {
        speech_.say(settings_.chosenName());
    }
}

void VoiceSelection::selectengine()
{
    SpeechState& s = speech_.mutableState();
    if (!s.selectedmode || s.ttsenum == nullptr) {
        return;
    }
    if (s.engineready && s.ttscentral != nullptr) {
        sapi4::olecheck(s.ttscentral->UnRegister(s.registrationkey));
    }
    s.ttsattributes.reset();
    s.ttscentral.reset();
    // The engine whose AudioStart was heard is gone, and its AudioStop with it.
    s.sapi4speaking = false;
    sapi4::olecheck(s.ttsenum->Select(s.selectedmode->gModeID, s.ttscentral, s.audiodestination));
    s.engineready = true;
    sapi4::olecheck(s.ttscentral->QueryInterface(sapi4::IID_ITTSAttributesA, s.ttsattributes));
    sapi4::ITTSAttributesA& a = *s.ttsattributes;

    using Attributes = sapi4::ITTSAttributesA;
    VoiceSettings& v = settings_;
    if (const auto speed = proberange<uint32_t>(a, &Attributes::SpeedGet, &Attributes::SpeedSet)) {
        v.setMaximum(VoiceLevel::Speed, positionOf(speed->highest));
        v.setMinimum(VoiceLevel::Speed, positionOf(speed->lowest));
        v.setValue(VoiceLevel::Speed, positionOf(speed->current));
        v.setTicks(VoiceLevel::Speed, ticksOf(speed->highest - speed->lowest));
    }
    if (const auto pitch = proberange<uint16_t>(a, &Attributes::PitchGet, &Attributes::PitchSet)) {
        v.setMaximum(VoiceLevel::Pitch, pitch->highest);
        v.setMinimum(VoiceLevel::Pitch, pitch->lowest);
        v.setValue(VoiceLevel::Pitch, pitch->current);
        // 16-bit values subtract as int: a range read back upside down gives no ticks.
        v.setTicks(VoiceLevel::Pitch,
                   ticksOf(static_cast<uint32_t>(std::max(pitch->highest - pitch->lowest, 0))));
    }
    if (const auto volume =
            proberange<uint32_t>(a, &Attributes::VolumeGet, &Attributes::VolumeSet)) {
        v.setMaximum(VoiceLevel::Volume, volumeByte(volume->highest));
        v.setMinimum(VoiceLevel::Volume, volumeByte(volume->lowest));
        v.setValue(VoiceLevel::Volume, volumeByte(volume->current));
    }
    v.makeAdjustable();
    sapi4::olecheck(
        s.ttscentral->Register(s.notifysink, sapi4::IID_ITTSNotifySinkA, &s.registrationkey));
}

void VoiceSelection::writevoicesettings()
{
    // With no voice chosen (an engine that lists none) the name is written empty, which
    // reads back as "no saved voice".
    settings_.write(speech_.profile());
}

void VoiceSelection::readvoicesettings()
{
    if (!speech_.isSpeechAllowed()) {
        return;
    }
    const Profile& profile = speech_.profile();
    const std::string name = VoiceSettings::storedVoice(profile);
    if (name.empty()) {
        return;
    }
    const std::vector<std::string>& voices = settings_.voices();
    const auto found = std::ranges::find_if(voices, [&name](const std::string& voice) {
        return text::equalsIgnoringCase(voice, name);
    });
    if (found == voices.end()) {
        process_.showMessage(message(Message::VoiceMissing) + " " + name);
        process_.endProcess();
    }
    settings_.choose(static_cast<int>(std::distance(voices.begin(), found)));
    voicelistClick();
    selectengine();
    settings_.readLevels(profile);
}

void VoiceSelection::enablevoice()
{
    fillvoicelist();
    selectengine();
    writevoicesettings();
}

void VoiceSelection::preparevoice()
{
    const SpeechState& s = speech_.mutableState();
    if (s.usesapi5) {
        return;
    }
    if (s.voiceallowed) {
        readvoicesettings();
    }
    if (!s.engineready && s.voiceallowed) {
        // No saved voice yet: the default one becomes the saved one.
        selectengine();
        writevoicesettings();
        readvoicesettings();
    }
}

// --- the dialog's handlers ---

void VoiceSelection::resetIfActive()
{
    if (isActive()) {
        reset();
    }
}

void VoiceSelection::announceVoice()
{
    speech_.say(view_->voicestatic().caption() + " " + settings_.chosenName());
}

void VoiceSelection::FormActivate()
{
    speech_.say(message(Message::VoiceTitle));
    announceVoice();
    voicedialogflag_ = true;
}

void VoiceSelection::FormClose()
{
    voicedialogflag_ = false;
}

void VoiceSelection::voicelistEnter()
{
    if (!voicedialogflag_) {
        return;
    }
    resetIfActive();
    announceVoice();
}

void VoiceSelection::trackbarEnter(Captioned& label, VoiceLevel which)
{
    resetIfActive();
    speech_.say(label.caption() + " " + std::to_string(settings_.level(which).value));
}

void VoiceSelection::pitchtbEnter()
{
    trackbarEnter(view_->pitchstatic(), VoiceLevel::Pitch);
}

void VoiceSelection::speedtbEnter()
{
    trackbarEnter(view_->speedstatic(), VoiceLevel::Speed);
}

void VoiceSelection::volumetbEnter()
{
    trackbarEnter(view_->volumestatic(), VoiceLevel::Volume);
}

void VoiceSelection::buttonEnter(Captioned& button)
{
    resetIfActive();
    speech_.say(button.caption());
}

void VoiceSelection::vyberhlasbitbtnEnter()
{
    buttonEnter(view_->vyberhlasbitbtn());
}

void VoiceSelection::closebitbtnEnter()
{
    buttonEnter(view_->closebitbtn());
}

void VoiceSelection::levelMoved(VoiceLevel which)
{
    const int value = settings_.level(which).value;
    std::string tag;
    switch (which) {
    case VoiceLevel::Pitch:
        tag = "\\Pit=" + std::to_string(value);
        break;
    case VoiceLevel::Speed:
        tag = "\\Spd=" + std::to_string(value);
        break;
    case VoiceLevel::Volume:
        tag = "\\Vol=" + std::to_string(value * kVolumeTagFactor);
        break;
    }
    reset();
    speech_.inject(tag + "\\");
    if (isActive()) {
        speech_.say(std::to_string(value));
    }
}

void VoiceSelection::VoicesubmenuClick(const std::function<std::string()>& mainCaption)
{
    if (!speech_.isSpeechAllowed()) {
        process_.showMessage(message(Message::VoiceOff));
        return;
    }
    if (!speech_.state().engineready) {
        selectengine();
        writevoicesettings();
    }
    readvoicesettings();
    if (view_ == nullptr) {
        return; // no dialog to show: the choice is made and kept
    }
    view_->activateVoicelist();
    if (view_->showModal()) {
        writevoicesettings();
        readvoicesettings();
        speech_.say(message(Message::VoiceSelected));
    } else {
        speech_.say(mainCaption());
    }
}

} // namespace tov::speech
