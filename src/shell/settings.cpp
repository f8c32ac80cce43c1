// Reading and writing the general settings.
#include "shell/settings.h"

#include "common/profile.h"
#include "runtime/soundcues.h"

#include <algorithm>

namespace tov::shell {

void readsettings(const Profile& profile, const GeneralSettings& settings, bool voicesAvailable)
{
    if (!profile.exists()) {
        if (settings.voiceallowed != nullptr) {
            *settings.voiceallowed = voicesAvailable;
            profile.writeInteger(kVoiceSection, kVoiceAllowedKey, voicesAvailable ? 1 : 0);
        }
        return;
    }
    if (settings.voiceallowed != nullptr) {
        *settings.voiceallowed = profile.readBool(kVoiceSection, kVoiceAllowedKey, true);
    }
    if (settings.sounds != nullptr) {
        settings.sounds->tovanasounds = profile.readBool(kSoundsSection, kTovanaSoundsKey, true);
        // The track bar's range: a value from outside it would play at full volume or
        // overflow the bar's position.
        settings.sounds->sndvolume = std::clamp(
            profile.readInteger(kSoundsSection, kSndVolumeKey, 0), kQuietestVolume, kLoudestVolume);
    }
    if (settings.braillekeys != nullptr) {
        *settings.braillekeys = profile.readBool(kKeyboardSection, kBrailleKeysKey, false);
    }
    if (settings.usesapi5 != nullptr) {
        *settings.usesapi5 = profile.readBool(kSapi5Section, kSapi5Key, false);
    }
}

void writesettings(const Profile& profile, const GeneralSettings& settings)
{
    if (settings.voiceallowed != nullptr) {
        profile.writeInteger(kVoiceSection, kVoiceAllowedKey, *settings.voiceallowed ? 1 : 0);
    }
    if (settings.sounds != nullptr) {
        profile.writeInteger(kSoundsSection, kTovanaSoundsKey,
                             settings.sounds->tovanasounds ? 1 : 0);
        profile.writeInteger(kSoundsSection, kSndVolumeKey, settings.sounds->sndvolume);
    }
    if (settings.braillekeys != nullptr) {
        profile.writeInteger(kKeyboardSection, kBrailleKeysKey, *settings.braillekeys ? 1 : 0);
    }
}

bool readbrailledisplay(const Profile& profile)
{
    return profile.readBool(kBrailleSection, kBrailleDisplayKey, kBrailleDisplayDefault);
}

void writebrailledisplay(const Profile& profile, bool on)
{
    profile.writeInteger(kBrailleSection, kBrailleDisplayKey, on ? 1 : 0);
}

} // namespace tov::shell
