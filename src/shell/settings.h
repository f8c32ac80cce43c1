// The general settings in the settings file, read and written as one set of values.
// Every value is written the moment the user changes it; nothing is written when the
// process ends. Where each lives in the file: common/settingskeys.h.
#pragma once

#include "runtime/soundcues.h"

namespace tov {
class Profile;
}

namespace tov::shell {

// "sounds"/"sndvolume" in hundredths of a decibel, as the sounds dialog's bar offers it.
inline constexpr int kQuietestVolume = -10000;
inline constexpr int kLoudestVolume = 0;

// The general settings as values; readsettings fills every one.
struct GeneralSettings {
    bool voiceallowed{};
    runtime::SoundSettings sounds;
    bool braillekeys{};
    bool usesapi5{}; //: the check mark of the SAPI 5 menu item
};

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
