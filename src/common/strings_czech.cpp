// The Czech string table, one row per message; the localizer serves a message at id
// 1000 + its number, as Windows-1250 (UTF-8 here).
#include "common/string_tables.h"

namespace tov::strings {
namespace {

constexpr StringEntry kTable[] = {
    {Message::LanguageName, "Čeština"},
    {Message::ProgramTitle, "Překladač Tovana Basicu"},
    {Message::ProgramMenu, "&Program"},
    {Message::StartItem, "&Spustit"},
    {Message::SettingsMenu, "Na&stavení"},
    {Message::EnvironmentItem, "Prostř&edí"},
    {Message::RestartNeeded, "Provedené změny se projeví až poté, co znovu spustíte program."},
    {Message::Ok, "&Ok"},
    {Message::Cancel, "Zrušit"},
    {Message::LanguageLabel, "&jazyk"},
    {Message::EnvironmentTitle, "Nastavení prostředí"},
    {Message::VoiceTitle, "Nastavení hlasu"},
    {Message::VoicesLabel, "&Hlasy"},
    {Message::PitchLabel, "&Výška"},
    {Message::SpeedLabel, "&Rychlost"},
    {Message::VolumeLabel, "Hla&sitost"},
    {Message::ChooseVoice, "Zvolit hl&as"},
    {Message::Close, "Za&vřít"},
    {Message::VoiceOff,
     "Používání hlasu není povoleno. Povolit jej můžete v menu Nastavení/Zvuky."},
    {Message::VoiceSelected, "Hlas vybrán."},
    {Message::SoundsItem, "&Zvuky"},
    {Message::SoundsTitle, "Nastavení zvuků"},
    {Message::UseVoice, "Povolit &hlas"},
    {Message::EnterData, "Vlož data"},
    {Message::KeyNameFile, "czech"},
    {Message::Ready, "hotovo"},
    {Message::ScreenTitle, "Obrazovka"},
    {Message::UseSapi5, "Používat hlas SA&PI5"},
    {Message::SoundVolume, "H&lasitost zvuků"},
    {Message::EmptyLine, "prázdný řádek"},
    {Message::EndOfScreen, "konec obrazovky"},
    {Message::Line, "řádek"},
    {Message::Column, "sloupec"},
    {Message::ExitItem, "Kon&ec"},
    {Message::HelpMenu, "Ná&pověda"},
    {Message::AboutItem, "O progr&amu"},
    {Message::AboutTitle, "O programu"},
    {Message::Version, "verze"},
    {Message::VoiceItem, "&Hlas"},
    {Message::TovanaSounds, "Zvuky &Tovany"},
    {Message::NoVoices, "Nelze povolit hlas. Žádné hlasy nejsou k dispozici."},
    {Message::ScreenFull, "Obrazovka je plná."},
    {Message::MissingFile, "Nelze nalézt soubor"},
    {Message::VoiceMissing, "Nelze nalézt hlas uvedený v ini souboru:"},
    {Message::PleaseRetype, "Prosím přepiš"},
    {Message::ExitProgram, "U&končit program"},
    {Message::BrailleKeyboard, "&Braillská klávesnice"},
    {Message::NotStored, "Nastavení nelze uložit:"},
    {Message::HeldUntilEnd, "Změny platí do konce programu."},
    {Message::DamagedBank, "Soubor zvuků je poškozen:"},
    {Message::SpeechdUnreachable, "speech-dispatcher není dostupný:"},
    {Message::SpeechdSilent,
     "speech-dispatcher nemluví. Program na něj nečeká, dokud znovu nepromluví."},
    {Message::EndedWithError, "Program skončil chybou:"},
    // The braille display's Settings item, its spoken name and what it says.
    {Message::BrailleDisplay, "Braillský &řádek"},
    {Message::BrailleDisplayName, "Braillský řádek"},
    {Message::NoDisplay, "Braillský řádek nebyl nalezen."},
    {Message::DisplayOn, "Braillský řádek zapnut"},
    {Message::DisplayOff, "Braillský řádek vypnut"},
    // Alt+1 to Alt+9 asked for an answer further back than the game has gone.
    {Message::NoAnswer, "Tolik odpovědí ještě nebylo."},
    // Help, Keys: the keys that are no menu items.
    {Message::KeysItem, "&Klávesy"},
    {Message::KeysHelp,
     "Alt+1: znovu přečte poslední odpověď hry, Alt+2 odpověď před ní, až po Alt+9.\n"
     "Šipka nahoru nebo dolů: otevře okno prohlížení obrazovky.\n"
     "F3 v něm: řekne znak, dvakrát rychle za sebou jej vyhláskuje."},
    // The transcript's Settings item, and what is said when its file cannot be written.
    {Message::TranscriptItem, "Uchovávat &záznam hry"},
    {Message::TranscriptUnwritable, "Záznam hry nelze zapsat do souboru"},
    // The rest of Help, Keys: a table entry holds at most 255 characters.
    {Message::KeysHelpMore, "Alt+šipka nahoru ve vstupním řádku: přečte řádek.\n"
                            "Kterákoli klávesa zastaví řeč.\n"
                            "Alt+F4: uloží paměť a ukončí program."},
    {Message::SoundLost, "Zvuk se ztratil: zvukový server přestal hrát. Program běží dál bez "
                         "zvuku; zvuk se vrátí, až program spustíte znovu. Výstup:"},
    // The browser edition: how the page is heard, asked at the first visit.
    {Message::HearingQuestion,
     "Jak chcete hru slyšet? Vlastním hlasem této stránky, nebo svým odečítačem obrazovky?"},
    {Message::PageVoice, "Vlastní &hlas stránky"},
    {Message::ScreenReader, "Můj &odečítač obrazovky"},
    {Message::NoPageVoice, "Stránka nemá žádný hlas, kterým by mluvila. Hra běží dál jen v textu."},
    {Message::PageVoiceOn, "Mluví vlastní hlas stránky."},
    {Message::PageVoiceOff, "Stránka mlčí, hru čte váš odečítač obrazovky."},
    // The browser edition's page.
    {Message::StorageRefused,
     "Tento prohlížeč neuchová soubory hry: jeho úložiště je plné nebo odmítnuté (soukromé "
     "okno?). Hra běží dál; nastavení a uložená hra vydrží, dokud stránku nezavřete."},
    {Message::WebKeysHelp,
     "V prohlížeči: Ctrl+S Spustit, Ctrl+B braillská klávesnice, Ctrl+D zvuky, Ctrl+H hlas, "
     "Ctrl+P vlastní hlas stránky, Ctrl+E prostředí. Kde si klávesu s Ctrl nechá prohlížeč "
     "nebo odečítač obrazovky, udělá totéž Alt+Shift se stejným písmenem."},
    {Message::WebKeysHelpMore,
     "Tabulátor dojde na lištu nabídek; šipky se v ní pohybují, Enter vybírá, Escape zavírá. "
     "Zavření nebo opuštění stránky uloží paměť jako Konec."},
    {Message::MenuBarName, "Nabídka"},
    {Message::AnswersTitle, "Odpovědi"},
};
static_assert(holdsEveryMessage(kTable));

} // namespace

std::span<const StringEntry> czechTable()
{
    return kTable;
}

} // namespace tov::strings
