// The English string table, one row per message; the localizer serves a message at id
// 2000 + its number, as Windows-1250 (UTF-8 here).
#include "common/string_tables.h"

namespace tov::strings {
namespace {

constexpr StringEntry kTable[] = {
    {Message::LanguageName, "English"},
    {Message::ProgramTitle, "Tovana Basic Interpreter"},
    {Message::ProgramMenu, "&Program"},
    {Message::StartItem, "&Start"},
    {Message::SettingsMenu, "&Settings"},
    {Message::EnvironmentItem, "&Environment"},
    {Message::RestartNeeded, "Your changes will be applied after you restart the program."},
    {Message::Ok, "&OK"},
    {Message::Cancel, "Cancel"},
    {Message::LanguageLabel, "&Language"},
    {Message::EnvironmentTitle, "environment settings"},
    {Message::VoiceTitle, "Voice settings"},
    {Message::VoicesLabel, "&Voices"},
    {Message::PitchLabel, "&Pitch"},
    {Message::SpeedLabel, "&Speed"},
    {Message::VolumeLabel, "Vo&lume"},
    {Message::ChooseVoice, "&Choose voice"},
    {Message::Close, "&Close"},
    {Message::VoiceOff,
     "The voice is turned off. You can turn it on in the Sounds dialog, menu Settings"},
    {Message::VoiceSelected, "Voice selected."},
    {Message::SoundsItem, "&Sounds"},
    {Message::SoundsTitle, "Sounds settings"},
    {Message::UseVoice, "Use the &voice"},
    {Message::EnterData, "Enter data"},
    {Message::KeyNameFile, "english"},
    {Message::Ready, "ready"},
    {Message::ScreenTitle, "Screen"},
    {Message::UseSapi5, "Use SA&PI5 voice"},
    {Message::SoundVolume, "Sound vo&lume"},
    {Message::EmptyLine, "empty line"},
    {Message::EndOfScreen, "end of screen"},
    {Message::Line, "line"},
    {Message::Column, "column"},
    {Message::ExitItem, "&Exit"},
    {Message::HelpMenu, "Hel&p"},
    {Message::AboutItem, "&About"},
    {Message::AboutTitle, "About"},
    {Message::Version, "version"},
    {Message::VoiceItem, "&Voice"},
    {Message::TovanaSounds, "&Tovana sounds"},
    {Message::NoVoices, "Can't allow voice, no voices are available"},
    {Message::ScreenFull, "The screen is full."},
    {Message::MissingFile, "Can't find the file"},
    {Message::VoiceMissing, "Can't find the voice specified in the ini file:"},
    {Message::PleaseRetype, "Please retype"},
    {Message::ExitProgram, "E&xit program"},
    {Message::BrailleKeyboard, "&Braille keyboard"},
    {Message::NotStored, "The settings cannot be stored:"},
    {Message::HeldUntilEnd, "Changes hold until the program ends."},
    {Message::DamagedBank, "The sound file is damaged:"},
    {Message::SpeechdUnreachable, "speech-dispatcher cannot be reached:"},
    {Message::SpeechdSilent,
     "speech-dispatcher is not speaking. The program does not wait for it until it "
     "speaks again."},
    {Message::EndedWithError, "The program ended with an error:"},
    // The braille display's Settings item, its spoken name and what it says.
    {Message::BrailleDisplay, "Braille &display"},
    {Message::BrailleDisplayName, "Braille display"},
    {Message::NoDisplay, "No braille display was found."},
    {Message::DisplayOn, "Braille display on"},
    {Message::DisplayOff, "Braille display off"},
    // Alt+1 to Alt+9 asked for an answer further back than the game has gone.
    {Message::NoAnswer, "There is no answer that far back."},
    // Help, Keys: the keys that are no menu items.
    {Message::KeysItem, "&Keys"},
    {Message::KeysHelp,
     "Alt+1: says the game's last answer again, Alt+2 the one before it, up to Alt+9.\n"
     "Up or Down arrow: opens the screen review window.\n"
     "F3 there: says the character; pressed twice quickly, spells it."},
    // The transcript's Settings item, and what is said when its file cannot be written.
    {Message::TranscriptItem, "Keep a &transcript"},
    {Message::TranscriptUnwritable, "The transcript cannot be written to the file"},
    // The rest of Help, Keys: a table entry holds at most 255 characters.
    {Message::KeysHelpMore, "Alt+Up arrow in the input line: reads the line.\n"
                            "Any key stops the speech.\n"
                            "Alt+F4: saves the memory and ends the program."},
    {Message::SoundLost, "Sound is lost: the sound server stopped playing. The program goes on "
                         "without sound; sound returns when the program is started again. Output:"},
    // The browser edition: how the page is heard, asked at the first visit.
    {Message::HearingQuestion,
     "How do you want to hear the game? With this page's own voice, or with your screen reader?"},
    {Message::PageVoice, "The page's own &voice"},
    {Message::ScreenReader, "My &screen reader"},
    {Message::NoPageVoice, "This page has no voice to speak with. The game goes on in text only."},
    {Message::PageVoiceOn, "The page's own voice speaks."},
    {Message::PageVoiceOff, "The page is silent; your screen reader reads the game."},
    // The browser edition's page.
    {Message::StorageRefused,
     "This browser does not keep the game's files: its storage is full or refused (a private "
     "window?). The game goes on; the settings and the saved game last until the page is "
     "closed."},
    {Message::WebKeysHelp,
     "In the browser: Ctrl+S Start, Ctrl+B braille keyboard, Ctrl+D sounds, Ctrl+H voice, "
     "Ctrl+P the page's own voice, Ctrl+E environment. Where the browser or the screen reader "
     "keeps a Ctrl key, Alt+Shift with the same letter does the same."},
    {Message::WebKeysHelpMore,
     "Tab reaches the menu bar; the arrow keys move in it, Enter chooses, Escape closes. "
     "Closing or leaving the page saves the memory as Exit does."},
    {Message::MenuBarName, "Menu"},
    {Message::AnswersTitle, "Answers"},
};
static_assert(holdsEveryMessage(kTable));

} // namespace

std::span<const StringEntry> englishTable()
{
    return kTable;
}

} // namespace tov::strings
