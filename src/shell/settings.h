// The general settings in the settings file, read and written as one set of values. The
// engine choice ("Voice"/"SAPI5") and the voice are the speech layer's to read and write.
// Every value is written the moment the user changes it; nothing is written when the
// process ends. Where each lives in the file: common/settingskeys.h.
#pragma once

#include "runtime/soundcues.h"

namespace tov {
class Profile;
}

namespace tov::shell {

// The general settings as values; readsettings fills every one.
struct GeneralSettings {
    bool voiceallowed{};
    runtime::SoundSettings sounds;
    bool braillekeys{};
};

// The Sounds dialog's volume bar, 0 (silent) to kVolumeSteps (full), a hundredth of a
// decibel times kVolumeStepSize a step. A stored volume's position and back, with the
// integer division that turns a stored -2550 into position 74 (and so -2600); both clamp
// what lies outside the bar.
inline constexpr int kVolumeSteps = 100;
inline constexpr int kVolumeStepSize = 100;
int volumePosition(int sndvolume);
int positionVolume(int position);

// Every general setting, each with its default when the file lacks it.
GeneralSettings readsettings(const Profile& profile);
// The same at start-up: without a settings file, `voiceallowed` becomes `voicesAvailable`
// and is written, which creates the file.
GeneralSettings readsettings(const Profile& profile, bool voicesAvailable);
// Writes voiceallowed, tovanasounds, sndvolume and braillekeys, in that order.
void writesettings(const Profile& profile, const GeneralSettings& values);

// "Braille display": may the program take a refreshable braille display? On by default;
// written on its own when the user switches it, apart from the general settings.
bool readbrailledisplay(const Profile& profile);
void writebrailledisplay(const Profile& profile, bool on);

// "Keep a transcript": off by default; written on its own when the user switches it.
bool readtranscript(const Profile& profile);
void writetranscript(const Profile& profile, bool on);

} // namespace tov::shell
