// The localised messages by what each is for. Each language's string table
// (common/strings_*.cpp) has one row per message, and the localizer serves the row at the
// language's base plus the message's number (English "&OK" is id 2000 + 7). The numbers
// are written out and never change; a new message takes End's number.
#pragma once

namespace tov {

enum class Message : int {
    LanguageName = 0, // the language's own name, in the environment dialog's list
    ProgramTitle = 1, // main window, about box and error boxes
    ProgramMenu = 2,
    StartItem = 3,
    SettingsMenu = 4,
    EnvironmentItem = 5,
    RestartNeeded = 6, // a new language shows after a restart
    Ok = 7,
    Cancel = 8,
    LanguageLabel = 9, // the environment dialog's list of languages
    EnvironmentTitle = 10,
    VoiceTitle = 11,
    VoicesLabel = 12,
    PitchLabel = 13,
    SpeedLabel = 14,
    VolumeLabel = 15,
    ChooseVoice = 16,
    Close = 17,
    VoiceOff = 18, // the voice dialog opened with speech off
    VoiceSelected = 19,
    SoundsItem = 20,
    SoundsTitle = 21,
    UseVoice = 22,
    EnterData = 23,   // the input dialog's title and spoken prompt
    KeyNameFile = 24, // the key-name file's name without ".eky": "english"
    Ready = 25,       // a run has ended
    ScreenTitle = 26, // the review window
    UseSapi5 = 27,
    SoundVolume = 28,
    EmptyLine = 29,
    EndOfScreen = 30,
    Line = 31,   // "line 3" in the review window
    Column = 32, // "column 12" in the review window
    ExitItem = 33,
    HelpMenu = 34,
    AboutItem = 35,
    AboutTitle = 36,
    Version = 37,
    VoiceItem = 38,
    TovanaSounds = 39,
    NoVoices = 40,
    ScreenFull = 41,
    MissingFile = 42,  // followed by the file's name
    VoiceMissing = 43, // the settings name a voice no engine has, followed by its name
    PleaseRetype = 44,
    ExitProgram = 45, // the input dialog's button that ends the process
    BrailleKeyboard = 46,
    NotStored = 47,    // the settings file cannot be written, followed by why
    HeldUntilEnd = 48, // ... so changes last until the program ends
    DamagedBank = 49,  // the sound bank does not read, followed by why
    SpeechdUnreachable = 50,
    SpeechdSilent = 51,
    EndedWithError = 52,
    // 53 and 54 stand empty in every table.
    BrailleDisplay = 55,     // the Settings item for the refreshable braille display
    BrailleDisplayName = 56, // the item's spoken name
    NoDisplay = 57,          // switched on, and no display answered
    DisplayOn = 58,
    DisplayOff = 59,
    NoAnswer = 60,             // Alt+1 to Alt+9 found no answer that far back
    KeysItem = 61,             // Help, Keys
    KeysHelp = 62,             // what Help, Keys shows: the keys that are no menu items
    TranscriptItem = 63,       // the Settings item "Keep a transcript"
    TranscriptUnwritable = 64, // followed by the file's name and why
    KeysHelpMore = 65,         // the rest of Help, Keys, after KeysHelp
    SoundLost = 66, // the sound server went away while the program ran, followed by the output
    // The browser edition's two ways to be heard: the page's own voice or the player's
    // screen reader, asked at the first visit and switched in Settings.
    HearingQuestion = 67,
    PageVoice = 68,    // the question's first answer and the Settings item
    ScreenReader = 69, // the question's second answer
    NoPageVoice = 70,  // the browser has no voice: the game goes on in text
    PageVoiceOn = 71,
    PageVoiceOff = 72,
    // The browser edition's page.
    StorageRefused = 73,  // the browser keeps no files (storage full or refused)
    WebKeysHelp = 74,     // Help, Keys in the browser: the menus' keys and their alternatives
    WebKeysHelpMore = 75, // the rest of it: the menu bar's keys, closing the page
    MenuBarName = 76,     // the page's menu bar, as a screen reader names it
    AnswersTitle = 77,    // the region that follows the game's answers
    End,                  // one past the last message; no message itself
};

// Whether a number is a message's: below End, and not one of the two that stand empty.
constexpr bool isMessage(int number)
{
    constexpr int kVacantFirst = 53;
    constexpr int kVacantLast = 54;
    return number >= 0 && number < static_cast<int>(Message::End) &&
           (number < kVacantFirst || number > kVacantLast);
}

} // namespace tov
