// The three string tables, id by id, and the localizer's lookups.
#include "common/localizer.h"

#include "common/profile.h"
#include "common/string_tables.h"
#include "common/text.h"
#include "doubles/doubles.h"

#include <gtest/gtest.h>

#include <array>

namespace tov {
namespace {

struct MessageRow {
    Message id;
    const char* czech;
    const char* english;
    const char* slovak;
};

// The texts as users read them, UTF-8 here; the program serves them as Windows-1250.
const MessageRow kMessages[] = {
    {Message::LanguageName, "Čeština", "English", "Slovenčina"},
    {Message::ProgramTitle, "Překladač Tovana Basicu", "Tovana Basic Interpreter",
     "Prekladač Tovana Basicu"},
    {Message::ProgramMenu, "&Program", "&Program", "&Program"},
    {Message::StartItem, "&Spustit", "&Start", "&Spustiť"},
    {Message::SettingsMenu, "Na&stavení", "&Settings", "Na&stavenia"},
    {Message::EnvironmentItem, "Prostř&edí", "&Environment", "Prostr&edie"},
    {Message::RestartNeeded, "Provedené změny se projeví až poté, co znovu spustíte program.",
     "Your changes will be applied after you restart the program.",
     "Vykonané zmeny sa prejavia až po najbližšom spustení programu."},
    {Message::Ok, "&Ok", "&OK", "&Ok"},
    {Message::Cancel, "Zrušit", "Cancel", "Zrušiť"},
    {Message::LanguageLabel, "&jazyk", "&Language", "&jazyk"},
    {Message::EnvironmentTitle, "Nastavení prostředí", "environment settings",
     "Nastavenie prostredia"},
    {Message::VoiceTitle, "Nastavení hlasu", "Voice settings", "Nastavenie hlasu"},
    {Message::VoicesLabel, "&Hlasy", "&Voices", "&Hlasy"},
    {Message::PitchLabel, "&Výška", "&Pitch", "&Výška"},
    {Message::SpeedLabel, "&Rychlost", "&Speed", "&Rýchlosť"},
    {Message::VolumeLabel, "Hla&sitost", "Vo&lume", "Hla&sitosť"},
    {Message::ChooseVoice, "Zvolit hl&as", "&Choose voice", "Zvoliť hl&as"},
    {Message::Close, "Za&vřít", "&Close", "Za&vrieť"},
    {Message::VoiceOff, "Používání hlasu není povoleno. Povolit jej můžete v menu Nastavení/Zvuky.",
     "The voice is turned off. You can turn it on in the Sounds dialog, menu Settings",
     "Používanie hlasu nie je povolené. Povoliť ho môžete v menu Nastavenia/Zvuky."},
    {Message::VoiceSelected, "Hlas vybrán.", "Voice selected.", "Hlas vybratý."},
    {Message::SoundsItem, "&Zvuky", "&Sounds", "&Zvuky"},
    {Message::SoundsTitle, "Nastavení zvuků", "Sounds settings", "Nastavenie zvukov"},
    {Message::UseVoice, "Povolit &hlas", "Use the &voice", "Povoliť &hlas"},
    {Message::EnterData, "Vlož data", "Enter data", "Vlož data"},
    {Message::KeyNameFile, "czech", "english", "slovak"},
    {Message::Ready, "hotovo", "ready", "hotovo"},
    {Message::ScreenTitle, "Obrazovka", "Screen", "Obrazovka"},
    {Message::UseSapi5, "Používat hlas SA&PI5", "Use SA&PI5 voice", "Používať hlas SA&PI5"},
    {Message::SoundVolume, "H&lasitost zvuků", "Sound vo&lume", "H&lasitosť zvukov"},
    {Message::EmptyLine, "prázdný řádek", "empty line", "prázdny riadok"},
    {Message::EndOfScreen, "konec obrazovky", "end of screen", "koniec obrazovky"},
    {Message::Line, "řádek", "line", "riadok"},
    {Message::Column, "sloupec", "column", "stĺpec"},
    {Message::ExitItem, "Kon&ec", "&Exit", "Koni&ec"},
    {Message::HelpMenu, "Ná&pověda", "Hel&p", "&Pomoc"},
    {Message::AboutItem, "O progr&amu", "&About", "O progr&ame"},
    {Message::AboutTitle, "O programu", "About", "O programe"},
    {Message::Version, "verze", "version", "verzia"},
    {Message::VoiceItem, "&Hlas", "&Voice", "&Hlas"},
    {Message::TovanaSounds, "Zvuky &Tovany", "&Tovana sounds", "Zvuky &Tovany"},
    {Message::NoVoices, "Nelze povolit hlas. Žádné hlasy nejsou k dispozici.",
     "Can't allow voice, no voices are available",
     "Nie je možné povoliť hlas. Žiadne hlasy nie sú k dispozícii."},
    {Message::ScreenFull, "Obrazovka je plná.", "The screen is full.", "Obrazovka je plná."},
    {Message::MissingFile, "Nelze nalézt soubor", "Can't find the file",
     "Nie je možné nájsť súbor"},
    {Message::VoiceMissing,
     "Nelze nalézt hlas uvedený v ini souboru:", "Can't find the voice specified in the ini file:",
     "Nie je možné nájsť hlas, uvedený v ini súbore:"},
    {Message::PleaseRetype, "Prosím přepiš", "Please retype", "Prosím prepíš"},
    {Message::ExitProgram, "U&končit program", "E&xit program", "U&končiť program"},
    {Message::BrailleKeyboard, "&Braillská klávesnice", "&Braille keyboard",
     "&Braillská klávesnica"},
    {Message::NotStored,
     "Nastavení nelze uložit:", "The settings cannot be stored:", "Nastavenia nemožno uložiť:"},
    {Message::HeldUntilEnd, "Změny platí do konce programu.",
     "Changes hold until the program ends.", "Zmeny platia do konca programu."},
    {Message::DamagedBank,
     "Soubor zvuků je poškozen:", "The sound file is damaged:", "Súbor zvukov je poškodený:"},
    {Message::SpeechdUnreachable, "speech-dispatcher není dostupný:",
     "speech-dispatcher cannot be reached:", "speech-dispatcher nie je dostupný:"},
    {Message::SpeechdSilent,
     "speech-dispatcher nemluví. Program na něj nečeká, dokud znovu nepromluví.",
     "speech-dispatcher is not speaking. The program does not wait for it until it speaks again.",
     "speech-dispatcher nehovorí. Program naň nečaká, kým znova neprehovorí."},
    {Message::EndedWithError,
     "Program skončil chybou:", "The program ended with an error:", "Program skončil chybou:"},
};

TEST(Localizer, EveryMessageOfEveryLanguage)
{
    // Each message once, in order: a row's position is its number, and its texts tie the
    // enumerator's value to the tables.
    ASSERT_EQ(std::size(kMessages), 53u);
    for (size_t row = 0; row < std::size(kMessages); ++row) {
        const MessageRow& m = kMessages[row];
        const int number = static_cast<int>(m.id);
        SCOPED_TRACE(number);
        EXPECT_EQ(number, static_cast<int>(row));
        EXPECT_EQ(TResourceLocalizer::getstring(kCzechBase, number), text::fromUtf8(m.czech));
        EXPECT_EQ(TResourceLocalizer::getstring(kEnglishBase, number), text::fromUtf8(m.english));
        EXPECT_EQ(TResourceLocalizer::getstring(kSlovakBase, number), text::fromUtf8(m.slovak));
    }
}

TEST(Localizer, TextsAreWindows1250Bytes)
{
    EXPECT_EQ(TResourceLocalizer::getstring(kCzechBase, 0), "\xC8"
                                                            "e\x9Atina");
    EXPECT_EQ(TResourceLocalizer::getstring(kSlovakBase, 32), "st\xE5pec");
}

TEST(Localizer, EveryMessageHasATextInEveryLanguage)
{
    // A language without one would show an empty caption or box; the numbers between
    // messages stay empty in all three.
    for (const int32_t base : {kCzechBase, kEnglishBase, kSlovakBase}) {
        for (int number = 0; number <= static_cast<int>(Message::End); ++number) {
            EXPECT_EQ(TResourceLocalizer::getstring(base, number).empty(), !isMessage(number))
                << base + number;
        }
    }
}

// Each table's guard, given one row per message, then that table spoilt one way at a time:
// the last message's row turned into another number, or the first row written twice.
constexpr bool guardTakes(int lastAs = static_cast<int>(Message::End) - 1, bool twice = false)
{
    std::array<strings::StringEntry, static_cast<size_t>(Message::End) + 1> rows{};
    size_t count = 0;
    for (int number = 0; number < static_cast<int>(Message::End); ++number) {
        if (isMessage(number)) {
            rows[count++] = {static_cast<Message>(number), "x"};
        }
    }
    rows[count - 1].id = static_cast<Message>(lastAs);
    rows[count] = rows[0];
    return strings::holdsEveryMessage(std::span(rows).first(twice ? count + 1 : count));
}
static_assert(guardTakes());
static_assert(!guardTakes(static_cast<int>(Message::End) - 1, true), "a message twice");
static_assert(!guardTakes(0), "the last missing, the first twice");
static_assert(!guardTakes(53), "a vacant number");
static_assert(!guardTakes(static_cast<int>(Message::End)), "past the last");

TEST(Localizer, NoTextIsCutShort)
{
    // The loaders' buffer cuts a longer text: a long help text would lose its end unseen.
    for (const auto& table :
         {strings::czechTable(), strings::englishTable(), strings::slovakTable()}) {
        for (const strings::StringEntry& entry : table) {
            EXPECT_LE(text::fromUtf8(std::string(entry.utf8)).size(), kMaxStringLength)
                << static_cast<int>(entry.id);
        }
    }
}

TEST(Localizer, MissingIdsAreEmpty)
{
    EXPECT_EQ(TResourceLocalizer::getstring(kCzechBase, 999), "");
    EXPECT_EQ(TResourceLocalizer::getstring(kCzechBase, -1), "");
    EXPECT_EQ(TResourceLocalizer::getstring(1500, 25), "");
    EXPECT_EQ(TResourceLocalizer::getstring(INT32_MAX, 46), ""); // no overflow
}

TEST(Localizer, LongStringsAreCutTo255)
{
    StringResources r;
    r.add(1000, std::string(255, 'a'));
    r.add(1001, std::string(300, 'b'));
    EXPECT_EQ(TResourceLocalizer::getstring(1000, 0, r), std::string(255, 'a'));
    EXPECT_EQ(TResourceLocalizer::getstring(1000, 1, r), std::string(255, 'b'));
}

TEST(Localizer, LanguageListHasTheThreeLanguages)
{
    std::vector<LanguageItem> list{{"stale", 1}};
    TResourceLocalizer::filllanguages(list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].text, text::fromUtf8("Čeština"));
    EXPECT_EQ(list[0].base, 1000);
    EXPECT_EQ(list[1].text, "English");
    EXPECT_EQ(list[1].base, 2000);
    EXPECT_EQ(list[2].text, text::fromUtf8("Slovenčina"));
    EXPECT_EQ(list[2].base, 3000);
}

TEST(Localizer, LanguageListStopsAtTheFirstBaseWithoutMessage0)
{
    StringResources r;
    r.add(1000, "one");
    r.add(2000, "two");
    r.add(3001, "no name"); // message 1 only: the list stops here
    r.add(4000, "four");
    std::vector<LanguageItem> list;
    TResourceLocalizer::filllanguages(list, r);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].text, "two");

    r.add(3000, "three"); // a fourth table appears without any other change
    TResourceLocalizer::filllanguages(list, r);
    EXPECT_EQ(list.size(), 4u);
}

TEST(Localizer, MessageFollowsTheCurrentLanguage)
{
    languageSettings().languagebase = kEnglishBase;
    EXPECT_EQ(message(Message::Ready), "ready");
    languageSettings().languagebase = kSlovakBase;
    EXPECT_EQ(message(Message::Ready), "hotovo");
    languageSettings().languagebase = kCzechBase;
    EXPECT_EQ(message(Message::SettingsMenu), "Na&staven\xED");
}

TEST(Localizer, LanguageIsReadAndWrittenInTheEnvironmentSection)
{
    testing::TempDir dir;
    const Profile profile(dir / "tovana.ini");
    readlanguage(profile);
    EXPECT_EQ(languageSettings().languagebase, kCzechBase);

    dir.write("tovana.ini", "[Environment]\nLanguage=3000\n");
    readlanguage(profile);
    EXPECT_EQ(languageSettings().languagebase, kSlovakBase);
    // A base of no language would read other ids' strings: the default one reads instead.
    for (const char* base : {"1500", "999", "4000", "-1000"}) {
        SCOPED_TRACE(base);
        dir.write("tovana.ini", std::string("[Environment]\nLanguage=") + base + "\n");
        readlanguage(profile);
        EXPECT_EQ(languageSettings().languagebase, kCzechBase);
    }

    const testing::Language english(kEnglishBase);
    writelanguage(profile);
    EXPECT_EQ(dir.read("tovana.ini"), "[Environment]\nLanguage=2000\n");
}

} // namespace
} // namespace tov
