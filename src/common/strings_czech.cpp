// The Czech string table: messages 0 to 46 at ids 1000 to 1046.
// UTF-8 here; served as Windows-1250 by the localizer.
#include "common/string_tables.h"

namespace tov::strings {

std::span<const StringEntry> czechTable()
{
    static constexpr StringEntry kTable[] = {
        {1000, "Čeština"},
        {1001, "Překladač Tovana Basicu"},
        {1002, "&Program"},
        {1003, "&Spustit"},
        {1004, "Na&stavení"},
        {1005, "Prostř&edí"},
        {1006, "Provedené změny se projeví až poté, co znovu spustíte program."},
        {1007, "&Ok"},
        {1008, "Zrušit"},
        {1009, "&jazyk"},
        {1010, "Nastavení prostředí"},
        {1011, "Nastavení hlasu"},
        {1012, "&Hlasy"},
        {1013, "&Výška"},
        {1014, "&Rychlost"},
        {1015, "Hla&sitost"},
        {1016, "Zvolit hl&as"},
        {1017, "Za&vřít"},
        {1018, "Používání hlasu není povoleno. Povolit jej můžete v menu Nastavení/Zvuky."},
        {1019, "Hlas vybrán."},
        {1020, "&Zvuky"},
        {1021, "Nastavení zvuků"},
        {1022, "Povolit &hlas"},
        {1023, "Vlož data"},
        {1024, "czech"},
        {1025, "hotovo"},
        {1026, "Obrazovka"},
        {1027, "Používat hlas SA&PI5"},
        {1028, "H&lasitost zvuků"},
        {1029, "prázdný řádek"},
        {1030, "konec obrazovky"},
        {1031, "řádek"},
        {1032, "sloupec"},
        {1033, "Kon&ec"},
        {1034, "Ná&pověda"},
        {1035, "O progr&amu"},
        {1036, "O programu"},
        {1037, "verze"},
        {1038, "&Hlas"},
        {1039, "Zvuky &Tovany"},
        {1040, "Nelze povolit hlas. Žádné hlasy nejsou k dispozici."},
        {1041, "Obrazovka je plná."},
        {1042, "Nelze nalézt soubor"},
        {1043, "Nelze nalézt hlas uvedený v ini souboru:"},
        {1044, "Prosím přepiš"},
        {1045, "U&končit program"},
        {1046, "&Braillská klávesnice"},
        {1047, "Nastavení nelze uložit:"},
        {1048, "Změny platí do konce programu."},
        {1049, "Soubor zvuků je poškozen:"},
        {1050, "speech-dispatcher není dostupný:"},
        {1051, "speech-dispatcher nemluví. Program na něj nečeká, dokud znovu nepromluví."},
        {1052, "Program skončil chybou:"},
        // The braille display's Settings item, its spoken name and what it says.
        {1055, "Braillský &řádek"},
        {1056, "Braillský řádek"},
        {1057, "Braillský řádek nebyl nalezen."},
        {1058, "Braillský řádek zapnut"},
        {1059, "Braillský řádek vypnut"},
        // Alt+1 to Alt+9 asked for an answer further back than the game has gone.
        {1060, "Tolik odpovědí ještě nebylo."},
        // Help, Keys: the keys that are no menu items.
        {1061, "&Klávesy"},
        {1062, "Alt+1: znovu přečte poslední odpověď hry, Alt+2 odpověď před ní, až po Alt+9.\n"
               "Šipka nahoru nebo dolů: otevře okno prohlížení obrazovky.\n"
               "F3 v něm: řekne znak, dvakrát rychle za sebou jej vyhláskuje."},
        // The transcript's Settings item, and what is said when its file cannot be written.
        {1063, "Uchovávat &záznam hry"},
        {1064, "Záznam hry nelze zapsat do souboru"},
        // The rest of Help, Keys: a table entry holds at most 255 characters.
        {1065, "Alt+šipka nahoru ve vstupním řádku: přečte řádek.\n"
               "Kterákoli klávesa zastaví řeč.\n"
               "Alt+F4: uloží paměť a ukončí program."},
    };
    return kTable;
}

} // namespace tov::strings
