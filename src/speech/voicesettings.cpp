// The voice settings: the list, the levels and their place in the settings file.
#include "speech/voicesettings.h"

#include "common/profile.h"
#include "common/settingskeys.h"

#include <algorithm>

namespace tov::speech {
namespace {

const settings::Entry<int32_t>& entryOf(VoiceLevel which)
{
    switch (which) {
    case VoiceLevel::Pitch:
        return settings::kPitch;
    case VoiceLevel::Speed:
        return settings::kSpeed;
    case VoiceLevel::Volume:
        break;
    }
    return settings::kVolume;
}

} // namespace

void VoiceSettings::addObserver(Observer& observer)
{
    observers_.push_back(&observer);
}

void VoiceSettings::removeObserver(Observer& observer)
{
    std::erase(observers_, &observer);
}

void VoiceSettings::tellLayout()
{
    for (Observer* observer : observers_) {
        observer->layoutChanged();
    }
}

void VoiceSettings::addVoice(std::string name)
{
    voices_.push_back(std::move(name));
    tellLayout();
}

void VoiceSettings::choose(int index)
{
    const int line = index >= 0 && index < static_cast<int>(voices_.size()) ? index : -1;
    if (line != chosen_) {
        chosen_ = line;
        tellLayout();
    }
}

std::string VoiceSettings::chosenName() const
{
    return chosen_ >= 0 ? voices_[static_cast<size_t>(chosen_)] : std::string();
}

const LevelRange& VoiceSettings::level(VoiceLevel which) const
{
    return levels_.at(static_cast<size_t>(which));
}

LevelRange& VoiceSettings::at(VoiceLevel which)
{
    return levels_.at(static_cast<size_t>(which));
}

void VoiceSettings::place(VoiceLevel which, int value)
{
    LevelRange& l = at(which);
    value = std::clamp(value, l.minimum, l.maximum);
    if (value == l.value) {
        return;
    }
    l.value = value;
    // A copy: an observer's speech serves the queue, and a key handled there may move this
    // level again; each move is told in turn, the inner one first.
    for (Observer* observer : std::vector<Observer*>(observers_)) {
        observer->levelMoved(which);
    }
}

void VoiceSettings::setMinimum(VoiceLevel which, int minimum)
{
    LevelRange& l = at(which);
    l.minimum = minimum;
    l.maximum = std::max(l.maximum, minimum);
    tellLayout();
    place(which, l.value);
}

void VoiceSettings::setMaximum(VoiceLevel which, int maximum)
{
    LevelRange& l = at(which);
    l.maximum = maximum;
    l.minimum = std::min(l.minimum, maximum);
    tellLayout();
    place(which, l.value);
}

void VoiceSettings::setValue(VoiceLevel which, int value)
{
    place(which, value);
}

void VoiceSettings::setTicks(VoiceLevel which, int ticks)
{
    at(which).ticks = ticks;
    tellLayout();
}

void VoiceSettings::makeAdjustable()
{
    adjustable_ = true;
    tellLayout();
}

std::string VoiceSettings::storedVoice(const Profile& profile)
{
    return profile.read(settings::kPerson);
}

void VoiceSettings::readLevels(const Profile& profile)
{
    for (const VoiceLevel which : kVoiceLevels) {
        place(which, profile.read(entryOf(which)));
    }
}

void VoiceSettings::write(const Profile& profile) const
{
    profile.write(settings::kPerson, chosenName());
    for (const VoiceLevel which : kVoiceLevels) {
        profile.write(entryOf(which), level(which).value);
    }
}

} // namespace tov::speech
