// Listing and selecting voices, their settings, and the voice dialog's handlers.
#include "speech/voiceselection.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/text.h"

#include <cmath>
#include <limits>
#include <optional>

namespace tov::speech {
namespace {

constexpr const char* kDefaultVoice = "Jakub";

// The track bars span ten ticks.
constexpr double kTicks = 10.0;
// Pitch tags, speed tags: in engine units. Volume: the track bar holds the high byte of
// the 16-bit channel volume.
constexpr int kVolumeTagFactor = 256;

// The track bars hold signed positions; a larger engine value stays at the top.
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

VoiceSelection::VoiceSelection(SpeechLayer& speech, VoiceDialogView& view,
                               runtime::ProcessControl& process)
    : speech_(speech), view_(view), process_(process)
{
}

void VoiceSelection::fillvoicelist()
{
    SpeechState& s = speech_.state();
    if (s.ttsenum == nullptr) {
        return;
    }
    ListBox& list = view_.voicelist();
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
        if (index < list.count() && list.line(index) == name) {
            continue;
        }
        list.append(name);
    }
    if (list.count() == 0) {
        return;
    }
    int chosen = 0;
    for (int i = 0; i < list.count(); ++i) {
        if (list.line(i) == kDefaultVoice) {
            chosen = i;
            break;
        }
    }
    list.setItemindex(chosen);
    voicelistClick();
}

void VoiceSelection::voicelistClick()
{
    SpeechState& s = speech_.state();
    if (s.ttsenum == nullptr) {
        return;
    }
    if (view_.isActive()) {
        reset();
    }
    const int index = view_.voicelist().itemindex();
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
    if (view_.isActive()) {
        speech_.say(view_.voicelist().line(index));
    }
}

void VoiceSelection::selectengine()
{
    SpeechState& s = speech_.state();
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
    if (const auto speed = proberange<uint32_t>(a, &Attributes::SpeedGet, &Attributes::SpeedSet)) {
        TrackBar& bar = view_.speedtb();
        bar.setMax(positionOf(speed->highest));
        bar.setMin(positionOf(speed->lowest));
        bar.setPosition(positionOf(speed->current));
        bar.setFrequency(ticksOf(speed->highest - speed->lowest));
    }
    if (const auto pitch = proberange<uint16_t>(a, &Attributes::PitchGet, &Attributes::PitchSet)) {
        TrackBar& bar = view_.pitchtb();
        bar.setMax(pitch->highest);
        bar.setMin(pitch->lowest);
        bar.setPosition(pitch->current);
        // 16-bit values subtract as int: a range read back upside down gives no ticks.
        bar.setFrequency(
            ticksOf(static_cast<uint32_t>(std::max(pitch->highest - pitch->lowest, 0))));
    }
    if (const auto volume =
            proberange<uint32_t>(a, &Attributes::VolumeGet, &Attributes::VolumeSet)) {
        TrackBar& bar = view_.volumetb();
        bar.setMax(volumeByte(volume->highest));
        bar.setMin(volumeByte(volume->lowest));
        bar.setPosition(volumeByte(volume->current));
    }
    for (TrackBar* bar : {&view_.speedtb(), &view_.pitchtb(), &view_.volumetb()}) {
        bar->setEnabled(true);
    }
    for (Captioned* label : {&view_.speedstatic(), &view_.pitchstatic(), &view_.volumestatic()}) {
        label->setEnabled(true);
    }
    sapi4::olecheck(
        s.ttscentral->Register(s.notifysink, sapi4::IID_ITTSNotifySinkA, &s.registrationkey));
}

void VoiceSelection::writevoicesettings()
{
    const Profile& profile = speech_.profile();
    const ListBox& list = view_.voicelist();
    // With no voice chosen (an engine that lists none) the name is written empty, which
    // reads back as "no saved voice".
    const int index = list.itemindex();
    profile.write(settings::kPerson, index >= 0 ? list.line(index) : "");
    profile.write(settings::kPitch, view_.pitchtb().Position());
    profile.write(settings::kSpeed, view_.speedtb().Position());
    profile.write(settings::kVolume, view_.volumetb().Position());
}

void VoiceSelection::readvoicesettings()
{
    if (!speech_.state().voiceallowed) {
        return;
    }
    const Profile& profile = speech_.profile();
    const std::string name = profile.read(settings::kPerson);
    if (name.empty()) {
        return;
    }
    ListBox& list = view_.voicelist();
    int found = -1;
    for (int i = 0; i < list.count() && found < 0; ++i) {
        if (text::equalsIgnoringCase(list.line(i), name)) {
            found = i;
        }
    }
    if (found < 0) {
        process_.showMessage(message(Message::VoiceMissing) + " " + name);
        process_.endProcess();
    }
    list.setItemindex(found);
    voicelistClick();
    selectengine();
    view_.pitchtb().setPosition(profile.read(settings::kPitch));
    view_.speedtb().setPosition(profile.read(settings::kSpeed));
    view_.volumetb().setPosition(profile.read(settings::kVolume));
}

void VoiceSelection::enablevoice()
{
    fillvoicelist();
    selectengine();
    writevoicesettings();
}

void VoiceSelection::preparevoice()
{
    const SpeechState& s = speech_.state();
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
    if (view_.isActive()) {
        reset();
    }
}

void VoiceSelection::announceVoice()
{
    const ListBox& list = view_.voicelist();
    const int index = list.itemindex();
    speech_.say(view_.voicestatic().caption() + " " + (index >= 0 ? list.line(index) : ""));
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

void VoiceSelection::trackbarEnter(Captioned& label, TrackBar& bar)
{
    resetIfActive();
    speech_.say(label.caption() + " " + std::to_string(bar.Position()));
}

void VoiceSelection::pitchtbEnter()
{
    trackbarEnter(view_.pitchstatic(), view_.pitchtb());
}

void VoiceSelection::speedtbEnter()
{
    trackbarEnter(view_.speedstatic(), view_.speedtb());
}

void VoiceSelection::volumetbEnter()
{
    trackbarEnter(view_.volumestatic(), view_.volumetb());
}

void VoiceSelection::buttonEnter(Captioned& button)
{
    resetIfActive();
    speech_.say(button.caption());
}

void VoiceSelection::vyberhlasbitbtnEnter()
{
    buttonEnter(view_.vyberhlasbitbtn());
}

void VoiceSelection::closebitbtnEnter()
{
    buttonEnter(view_.closebitbtn());
}

void VoiceSelection::trackbarChange(const char* tag, int engineValue, int spokenValue)
{
    reset();
    speech_.inject(std::string(tag) + std::to_string(engineValue) + "\\");
    if (view_.isActive()) {
        speech_.say(std::to_string(spokenValue));
    }
}

void VoiceSelection::pitchtbChange()
{
    const int position = view_.pitchtb().Position();
    trackbarChange("\\Pit=", position, position);
}

void VoiceSelection::speedtbChange()
{
    const int position = view_.speedtb().Position();
    trackbarChange("\\Spd=", position, position);
}

void VoiceSelection::volumetbChange()
{
    const int position = view_.volumetb().Position();
    trackbarChange("\\Vol=", position * kVolumeTagFactor, position);
}

void VoiceSelection::VoicesubmenuClick(const std::function<std::string()>& mainCaption)
{
    if (!speech_.state().voiceallowed) {
        process_.showMessage(message(Message::VoiceOff));
        return;
    }
    if (!speech_.state().engineready) {
        selectengine();
        writevoicesettings();
    }
    readvoicesettings();
    view_.activateVoicelist();
    if (view_.showModal()) {
        writevoicesettings();
        readvoicesettings();
        speech_.say(message(Message::VoiceSelected));
    } else {
        speech_.say(mainCaption());
    }
}

} // namespace tov::speech
