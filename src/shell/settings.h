// The general settings in the settings file: where each lives, and reading and writing
// them as one set. Every value is written the moment the user changes it; nothing is
// written when the process ends.
#pragma once

namespace tov {
class Profile;
}
namespace tov::runtime {
struct SoundSettings;
}

namespace tov::shell {

inline constexpr const char* kVoiceSection = "voice";
inline constexpr const char* kVoiceAllowedKey = "voiceallowed";
inline constexpr const char* kSoundsSection = "sounds";
inline constexpr const char* kTovanaSoundsKey = "tovanasounds";
inline constexpr const char* kSndVolumeKey = "sndvolume";
inline constexpr const char* kKeyboardSection = "keyboard";
inline constexpr const char* kBrailleKeysKey = "braillekeys";
inline constexpr const char* kSapi5Section = "Voice";
inline constexpr const char* kSapi5Key = "sapi5";
inline constexpr const char* kBrailleSection = "braille";
inline constexpr const char* kBrailleDisplayKey = "display";
inline constexpr bool kBrailleDisplayDefault = true;

// "sounds"/"sndvolume" in hundredths of a decibel, as the sounds dialog's bar offers it.
inline constexpr int kQuietestVolume = -10000;
inline constexpr int kLoudestVolume = 0;

// The process's copies of the general settings, owned by the subsystems they steer.
struct GeneralSettings {
    bool* voiceallowed = nullptr;
    runtime::SoundSettings* sounds = nullptr;
    bool* braillekeys = nullptr;
    bool* usesapi5 = nullptr; //: the check mark of the SAPI 5 menu item
};

// Reads every setting with its default. Without a settings file, `voiceallowed` becomes
// `voicesAvailable` and is written, which creates the file; the rest keep their values.
void readsettings(const Profile& profile, const GeneralSettings& settings, bool voicesAvailable);
// Writes voiceallowed, tovanasounds, sndvolume and braillekeys, in that order.
void writesettings(const Profile& profile, const GeneralSettings& settings);

// "Braille display": may the program take a refreshable braille display? On by default;
// written on its own when the user switches it, apart from the general settings.
bool readbrailledisplay(const Profile& profile);
void writebrailledisplay(const Profile& profile, bool on);

} // namespace tov::shell
