// The Slovak string table, one row per message; the localizer serves a message at id
// 3000 + its number, as Windows-1250 (UTF-8 here).
#include "common/string_tables.h"

namespace tov::strings {
namespace {

constexpr StringEntry kTable[] = {
    {Message::LanguageName, "Slovenčina"},
    {Message::ProgramTitle, "Prekladač Tovana Basicu"},
    {Message::ProgramMenu, "&Program"},
    {Message::StartItem, "&Spustiť"},
    {Message::SettingsMenu, "Na&stavenia"},
    {Message::EnvironmentItem, "Prostr&edie"},
    {Message::RestartNeeded, "Vykonané zmeny sa prejavia až po najbližšom spustení programu."},
    {Message::Ok, "&Ok"},
    {Message::Cancel, "Zrušiť"},
    {Message::LanguageLabel, "&jazyk"},
    {Message::EnvironmentTitle, "Nastavenie prostredia"},
    {Message::VoiceTitle, "Nastavenie hlasu"},
    {Message::VoicesLabel, "&Hlasy"},
    {Message::PitchLabel, "&Výška"},
    {Message::SpeedLabel, "&Rýchlosť"},
    {Message::VolumeLabel, "Hla&sitosť"},
    {Message::ChooseVoice, "Zvoliť hl&as"},
    {Message::Close, "Za&vrieť"},
    {Message::VoiceOff,
     "Používanie hlasu nie je povolené. Povoliť ho môžete v menu Nastavenia/Zvuky."},
    {Message::VoiceSelected, "Hlas vybratý."},
    {Message::SoundsItem, "&Zvuky"},
    {Message::SoundsTitle, "Nastavenie zvukov"},
    {Message::UseVoice, "Povoliť &hlas"},
    {Message::EnterData, "Vlož data"},
    {Message::KeyNameFile, "slovak"},
    {Message::Ready, "hotovo"},
    {Message::ScreenTitle, "Obrazovka"},
    {Message::UseSapi5, "Používať hlas SA&PI5"},
    {Message::SoundVolume, "H&lasitosť zvukov"},
    {Message::EmptyLine, "prázdny riadok"},
    {Message::EndOfScreen, "koniec obrazovky"},
    {Message::Line, "riadok"},
    {Message::Column, "stĺpec"},
    {Message::ExitItem, "Koni&ec"},
    {Message::HelpMenu, "&Pomoc"},
    {Message::AboutItem, "O progr&ame"},
    {Message::AboutTitle, "O programe"},
    {Message::Version, "verzia"},
    {Message::VoiceItem, "&Hlas"},
    {Message::TovanaSounds, "Zvuky &Tovany"},
    {Message::NoVoices, "Nie je možné povoliť hlas. Žiadne hlasy nie sú k dispozícii."},
    {Message::ScreenFull, "Obrazovka je plná."},
    {Message::MissingFile, "Nie je možné nájsť súbor"},
    {Message::VoiceMissing, "Nie je možné nájsť hlas, uvedený v ini súbore:"},
    {Message::PleaseRetype, "Prosím prepíš"},
    {Message::ExitProgram, "U&končiť program"},
    {Message::BrailleKeyboard, "&Braillská klávesnica"},
    {Message::NotStored, "Nastavenia nemožno uložiť:"},
    {Message::HeldUntilEnd, "Zmeny platia do konca programu."},
    {Message::DamagedBank, "Súbor zvukov je poškodený:"},
    {Message::SpeechdUnreachable, "speech-dispatcher nie je dostupný:"},
    {Message::SpeechdSilent,
     "speech-dispatcher nehovorí. Program naň nečaká, kým znova neprehovorí."},
    {Message::EndedWithError, "Program skončil chybou:"},
    // The braille display's Settings item, its spoken name and what it says.
    {Message::BrailleDisplay, "Braillský &riadok"},
    {Message::BrailleDisplayName, "Braillský riadok"},
    {Message::NoDisplay, "Braillský riadok sa nenašiel."},
    {Message::DisplayOn, "Braillský riadok zapnutý"},
    {Message::DisplayOff, "Braillský riadok vypnutý"},
    // Alt+1 to Alt+9 asked for an answer further back than the game has gone.
    {Message::NoAnswer, "Toľko odpovedí ešte nebolo."},
    // Help, Keys: the keys that are no menu items.
    {Message::KeysItem, "&Klávesy"},
    {Message::KeysHelp,
     "Alt+1: znova prečíta poslednú odpoveď hry, Alt+2 odpoveď pred ňou, až po Alt+9.\n"
     "Šípka hore alebo dole: otvorí okno prezerania obrazovky.\n"
     "F3 v ňom: povie znak, dvakrát rýchlo za sebou ho vyhláskuje."},
    // The transcript's Settings item, and what is said when its file cannot be written.
    {Message::TranscriptItem, "Uchovávať &záznam hry"},
    {Message::TranscriptUnwritable, "Záznam hry sa nedá zapísať do súboru"},
    // The rest of Help, Keys: a table entry holds at most 255 characters.
    {Message::KeysHelpMore, "Alt+šípka hore vo vstupnom riadku: prečíta riadok.\n"
                            "Ktorýkoľvek kláves zastaví reč.\n"
                            "Alt+F4: uloží pamäť a ukončí program."},
    {Message::SoundLost, "Zvuk sa stratil: zvukový server prestal hrať. Program beží ďalej bez "
                         "zvuku; zvuk sa vráti, keď program spustíte znova. Výstup:"},
    // The browser edition: how the page is heard, asked at the first visit.
    {Message::HearingQuestion,
     "Ako chcete hru počuť? Vlastným hlasom tejto stránky, alebo svojou čítačkou obrazovky?"},
    {Message::PageVoice, "Vlastný &hlas stránky"},
    {Message::ScreenReader, "Moja čítačka &obrazovky"},
    {Message::NoPageVoice,
     "Stránka nemá žiadny hlas, ktorým by hovorila. Hra beží ďalej len v texte."},
    {Message::PageVoiceOn, "Hovorí vlastný hlas stránky."},
    {Message::PageVoiceOff, "Stránka mlčí, hru číta vaša čítačka obrazovky."},
    // The browser edition's page.
    {Message::StorageRefused,
     "Tento prehliadač neuchová súbory hry: jeho úložisko je plné alebo odmietnuté (súkromné "
     "okno?). Hra beží ďalej; nastavenia a uložená hra vydržia, kým stránku nezatvoríte."},
    {Message::WebKeysHelp,
     "V prehliadači: Ctrl+S Spustiť, Ctrl+B braillská klávesnica, Ctrl+D zvuky, Ctrl+H hlas, "
     "Ctrl+P vlastný hlas stránky, Ctrl+E prostredie. Kde si kláves s Ctrl nechá prehliadač "
     "alebo čítač obrazovky, urobí to isté Alt+Shift s rovnakým písmenom."},
    {Message::WebKeysHelpMore,
     "Tabulátor dôjde na lištu ponúk; šípky sa v nej pohybujú, Enter vyberá, Escape zatvára. "
     "Zatvorenie alebo opustenie stránky uloží pamäť ako Koniec."},
    {Message::MenuBarName, "Ponuka"},
    {Message::AnswersTitle, "Odpovede"},
};
static_assert(holdsEveryMessage(kTable));

} // namespace

std::span<const StringEntry> slovakTable()
{
    return kTable;
}

} // namespace tov::strings
