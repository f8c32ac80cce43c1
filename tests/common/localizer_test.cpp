// The three string tables, id by id, and the localizer's lookups.
#include "common/localizer.h"

#include "common/profile.h"
#include "common/text.h"
#include "doubles/doubles.h"

#include <gtest/gtest.h>

namespace tov {
namespace {

struct MessageRow {
    int number;
    const char* czech;
    const char* english;
    const char* slovak;
};

// The texts as users read them, UTF-8 here; the program serves them as Windows-1250.
const MessageRow kMessages[] = {
    {0, "Čeština", "English", "Slovenčina"},
    {1, "Překladač Tovana Basicu", "Tovana Basic Interpreter", "Prekladač Tovana Basicu"},
    {2, "&Program", "&Program", "&Program"},
    {3, "&Spustit", "&Start", "&Spustiť"},
    {4, "Na&stavení", "&Settings", "Na&stavenia"},
    {5, "Prostř&edí", "&Environment", "Prostr&edie"},
    {6, "Provedené změny se projeví až poté, co znovu spustíte program.",
     "Your changes will be applied after you restart the program.",
     "Vykonané zmeny sa prejavia až po najbližšom spustení programu."},
    {7, "&Ok", "&OK", "&Ok"},
    {8, "Zrušit", "Cancel", "Zrušiť"},
    {9, "&jazyk", "&Language", "&jazyk"},
    {10, "Nastavení prostředí", "environment settings", "Nastavenie prostredia"},
    {11, "Nastavení hlasu", "Voice settings", "Nastavenie hlasu"},
    {12, "&Hlasy", "&Voices", "&Hlasy"},
    {13, "&Výška", "&Pitch", "&Výška"},
    {14, "&Rychlost", "&Speed", "&Rýchlosť"},
    {15, "Hla&sitost", "Vo&lume", "Hla&sitosť"},
    {16, "Zvolit hl&as", "&Choose voice", "Zvoliť hl&as"},
    {17, "Za&vřít", "&Close", "Za&vrieť"},
    {18, "Používání hlasu není povoleno. Povolit jej můžete v menu Nastavení/Zvuky.",
     "The voice is turned off. You can turn it on in the Sounds dialog, menu Settings",
     "Používanie hlasu nie je povolené. Povoliť ho môžete v menu Nastavenia/Zvuky."},
    {19, "Hlas vybrán.", "Voice selected.", "Hlas vybratý."},
    {20, "&Zvuky", "&Sounds", "&Zvuky"},
    {21, "Nastavení zvuků", "Sounds settings", "Nastavenie zvukov"},
    {22, "Povolit &hlas", "Use the &voice", "Povoliť &hlas"},
    {23, "Vlož data", "Enter data", "Vlož data"},
    {24, "czech", "english", "slovak"},
    {25, "hotovo", "ready", "hotovo"},
    {26, "Obrazovka", "Screen", "Obrazovka"},
    {27, "Používat hlas SA&PI5", "Use SA&PI5 voice", "Používať hlas SA&PI5"},
    {28, "H&lasitost zvuků", "Sound vo&lume", "H&lasitosť zvukov"},
    {29, "prázdný řádek", "empty line", "prázdny riadok"},
    {30, "konec obrazovky", "end of screen", "koniec obrazovky"},
    {31, "řádek", "line", "riadok"},
    {32, "sloupec", "column", "stĺpec"},
    {33, "Kon&ec", "&Exit", "Koni&ec"},
    {34, "Ná&pověda", "Hel&p", "&Pomoc"},
    {35, "O progr&amu", "&About", "O progr&ame"},
    {36, "O programu", "About", "O programe"},
    {37, "verze", "version", "verzia"},
    {38, "&Hlas", "&Voice", "&Hlas"},
    {39, "Zvuky &Tovany", "&Tovana sounds", "Zvuky &Tovany"},
    {40, "Nelze povolit hlas. Žádné hlasy nejsou k dispozici.",
     "Can't allow voice, no voices are available",
     "Nie je možné povoliť hlas. Žiadne hlasy nie sú k dispozícii."},
    {41, "Obrazovka je plná.", "The screen is full.", "Obrazovka je plná."},
    {42, "Nelze nalézt soubor", "Can't find the file", "Nie je možné nájsť súbor"},
    {43,
     "Nelze nalézt hlas uvedený v ini souboru:", "Can't find the voice specified in the ini file:",
     "Nie je možné nájsť hlas, uvedený v ini súbore:"},
    {44, "Prosím přepiš", "Please retype", "Prosím prepíš"},
    {45, "U&končit program", "E&xit program", "U&končiť program"},
    {46, "&Braillská klávesnice", "&Braille keyboard", "&Braillská klávesnica"},
};

TEST(Localizer, EveryMessageOfEveryLanguage)
{
    ASSERT_EQ(std::size(kMessages), 47u);
    for (const MessageRow& m : kMessages) {
        SCOPED_TRACE(m.number);
        EXPECT_EQ(TResourceLocalizer::getstring(kCzechBase, m.number), text::fromUtf8(m.czech));
        EXPECT_EQ(TResourceLocalizer::getstring(kEnglishBase, m.number), text::fromUtf8(m.english));
        EXPECT_EQ(TResourceLocalizer::getstring(kSlovakBase, m.number), text::fromUtf8(m.slovak));
    }
}

TEST(Localizer, TextsAreWindows1250Bytes)
{
    EXPECT_EQ(TResourceLocalizer::getstring(kCzechBase, 0), "\xC8"
                                                            "e\x9Atina");
    EXPECT_EQ(TResourceLocalizer::getstring(kSlovakBase, 32), "st\xE5pec");
}

TEST(Localizer, StartUpMessagesExistInEveryLanguage)
{
    // 47 to 52: the settings that cannot be stored, a damaged sound bank, speech-dispatcher
    // unreachable or silent, an error that ended the program. A language without one
    // would show an empty box.
    for (const int32_t base : {kCzechBase, kEnglishBase, kSlovakBase}) {
        for (int number = 47; number <= 52; ++number) {
            EXPECT_NE(TResourceLocalizer::getstring(base, number), "") << base + number;
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
    EXPECT_EQ(message(25), "ready");
    languageSettings().languagebase = kSlovakBase;
    EXPECT_EQ(message(25), "hotovo");
    languageSettings().languagebase = kCzechBase;
    EXPECT_EQ(message(4), "Na&staven\xED");
}

TEST(Localizer, LanguageIsReadAndWrittenInTheEnvironmentSection)
{
    testing::TempDir dir;
    const Profile profile(dir / "tovana.ini");
    readlanguage(profile);
    EXPECT_EQ(languageSettings().languagebase, kCzechBase);

    dir.write("tovana.ini", "[Environment]\nLanguage=1500\n");
    readlanguage(profile);
    EXPECT_EQ(languageSettings().languagebase, 1500); // used unchanged

    languageSettings().languagebase = kEnglishBase;
    writelanguage(profile);
    EXPECT_EQ(dir.read("tovana.ini"), "[Environment]\nLanguage=2000\n");
    languageSettings().languagebase = kCzechBase;
}

} // namespace
} // namespace tov
