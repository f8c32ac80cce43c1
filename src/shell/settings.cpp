// Reading and writing the general settings.
#include "shell/settings.h"

#include "common/profile.h"
#include "sound/platform.h"

#include <algorithm>

namespace tov::shell {

int volumePosition(int sndvolume)
{
    // Clamped first: a value from outside the bar's range must not overflow it.
    return (std::clamp(sndvolume, sound::kVolumeSilent, sound::kVolumeFull) -
            sound::kVolumeSilent) /
           kVolumeStepSize;
}

int positionVolume(int position)
{
    return std::clamp(position, 0, kVolumeSteps) * kVolumeStepSize + sound::kVolumeSilent;
}

GeneralSettings readsettings(const Profile& profile)
{
    GeneralSettings values;
    values.voiceallowed = profile.read(settings::kVoiceAllowed);
    values.sounds.tovanasounds = profile.read(settings::kTovanaSounds);
    // The track bar's range, silence to full: a value from outside it would play at full
    // volume or overflow the bar's position.
    values.sounds.sndvolume =
        std::clamp(profile.read(settings::kSndVolume), sound::kVolumeSilent, sound::kVolumeFull);
    values.braillekeys = profile.read(settings::kBrailleKeys);
    return values;
}

GeneralSettings readsettings(const Profile& profile, bool voicesAvailable)
{
    GeneralSettings values = readsettings(profile);
    if (!profile.exists()) {
        values.voiceallowed = voicesAvailable;
        profile.write(settings::kVoiceAllowed, voicesAvailable);
    }
    return values;
}

void writesettings(const Profile& profile, const GeneralSettings& values)
{
    profile.write(settings::kVoiceAllowed, values.voiceallowed);
    profile.write(settings::kTovanaSounds, values.sounds.tovanasounds);
    profile.write(settings::kSndVolume, values.sounds.sndvolume);
    profile.write(settings::kBrailleKeys, values.braillekeys);
}

bool readbrailledisplay(const Profile& profile)
{
    return profile.read(settings::kBrailleDisplay);
}

void writebrailledisplay(const Profile& profile, bool on)
{
    profile.write(settings::kBrailleDisplay, on);
}

bool readtranscript(const Profile& profile)
{
    return profile.read(settings::kTranscript);
}

void writetranscript(const Profile& profile, bool on)
{
    profile.write(settings::kTranscript, on);
}

} // namespace tov::shell
