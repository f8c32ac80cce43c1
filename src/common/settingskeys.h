// Every entry of the settings file: its section, its key and what it reads as when the
// file lacks it. Whoever reads or writes the file names an entry from this list
// (`profile.read(settings::kPitch)`), so the file's layout is written down once.
//
// Names match without regard to case when read; a section or key the file lacks is
// added as spelled here. The voice section has two spellings for that reason: the
// general settings create it as "voice" (the first start writes "voiceallowed"), the
// voice dialog and the SAPI 5 item as "Voice", and files written so far say
// "[voice]\nvoiceallowed=1\n[Voice]\nSAPI5=1".
#pragma once

#include "common/localizer.h"

#include <cstdint>
#include <string_view>

namespace tov::settings {

template <typename Value>
struct Entry {
    std::string_view section;
    std::string_view key;
    Value fallback; //: what a missing entry (or, for numbers, a malformed one) reads as
};

inline constexpr std::string_view kGeneralVoiceSection = "voice";
inline constexpr std::string_view kVoiceDialogSection = "Voice";
inline constexpr std::string_view kSoundsSection = "sounds";
inline constexpr std::string_view kKeyboardSection = "keyboard";
inline constexpr std::string_view kEnvironmentSection = "environment";
inline constexpr std::string_view kBrailleSection = "braille";
inline constexpr std::string_view kHistorySection = "history";

// The speech on or off, as the sounds dialog sets it.
inline constexpr Entry<bool> kVoiceAllowed{kGeneralVoiceSection, "voiceallowed", true};
// The SAPI 5 item's check mark: speech-dispatcher speaks instead of espeak-ng.
inline constexpr Entry<bool> kSapi5{kVoiceDialogSection, "SAPI5", false};
// The voice dialog's choice: the voice's name (empty: none saved) and its track bars.
inline constexpr Entry<std::string_view> kPerson{kVoiceDialogSection, "person", ""};
inline constexpr Entry<int32_t> kPitch{kVoiceDialogSection, "pitch", 0};
inline constexpr Entry<int32_t> kSpeed{kVoiceDialogSection, "speed", 0};
inline constexpr Entry<int32_t> kVolume{kVoiceDialogSection, "volume", 255};

// The notetaker's sounds on or off, and their volume in hundredths of a decibel.
inline constexpr Entry<bool> kTovanaSounds{kSoundsSection, "tovanasounds", true};
inline constexpr Entry<int32_t> kSndVolume{kSoundsSection, "sndvolume", 0};

// Chords on F D S J K L instead of ordinary typing.
inline constexpr Entry<bool> kBrailleKeys{kKeyboardSection, "braillekeys", false};

// May the program take a refreshable braille display (else another program keeps it)?
inline constexpr Entry<bool> kBrailleDisplay{kBrailleSection, "display", true};

// Keep a transcript of the game beside the memory image?
inline constexpr Entry<bool> kTranscript{kHistorySection, "transcript", false};

// The language's base in the string tables.
inline constexpr Entry<int32_t> kLanguage{kEnvironmentSection, "language", kCzechBase};

} // namespace tov::settings
