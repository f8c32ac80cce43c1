// The Slovak string table: messages 0 to 46 at ids 3000 to 3046.
// UTF-8 here; served as Windows-1250 by the localizer.
#include "common/string_tables.h"

namespace tov::strings {

std::span<const StringEntry> slovakTable()
{
    static constexpr StringEntry kTable[] = {
        {3000, "Slovenčina"},
        {3001, "Prekladač Tovana Basicu"},
        {3002, "&Program"},
        {3003, "&Spustiť"},
        {3004, "Na&stavenia"},
        {3005, "Prostr&edie"},
        {3006, "Vykonané zmeny sa prejavia až po najbližšom spustení programu."},
        {3007, "&Ok"},
        {3008, "Zrušiť"},
        {3009, "&jazyk"},
        {3010, "Nastavenie prostredia"},
        {3011, "Nastavenie hlasu"},
        {3012, "&Hlasy"},
        {3013, "&Výška"},
        {3014, "&Rýchlosť"},
        {3015, "Hla&sitosť"},
        {3016, "Zvoliť hl&as"},
        {3017, "Za&vrieť"},
        {3018, "Používanie hlasu nie je povolené. Povoliť ho môžete v menu Nastavenia/Zvuky."},
        {3019, "Hlas vybratý."},
        {3020, "&Zvuky"},
        {3021, "Nastavenie zvukov"},
        {3022, "Povoliť &hlas"},
        {3023, "Vlož data"},
        {3024, "slovak"},
        {3025, "hotovo"},
        {3026, "Obrazovka"},
        {3027, "Používať hlas SA&PI5"},
        {3028, "H&lasitosť zvukov"},
        {3029, "prázdny riadok"},
        {3030, "koniec obrazovky"},
        {3031, "riadok"},
        {3032, "stĺpec"},
        {3033, "Koni&ec"},
        {3034, "&Pomoc"},
        {3035, "O progr&ame"},
        {3036, "O programe"},
        {3037, "verzia"},
        {3038, "&Hlas"},
        {3039, "Zvuky &Tovany"},
        {3040, "Nie je možné povoliť hlas. Žiadne hlasy nie sú k dispozícii."},
        {3041, "Obrazovka je plná."},
        {3042, "Nie je možné nájsť súbor"},
        {3043, "Nie je možné nájsť hlas, uvedený v ini súbore:"},
        {3044, "Prosím prepíš"},
        {3045, "U&končiť program"},
        {3046, "&Braillská klávesnica"},
        {3047, "Nastavenia nemožno uložiť:"},
        {3048, "Zmeny platia do konca programu."},
        {3049, "Súbor zvukov je poškodený:"},
        {3050, "speech-dispatcher nie je dostupný:"},
        {3051, "speech-dispatcher nehovorí. Program naň nečaká, kým znova neprehovorí."},
        {3052, "Program skončil chybou:"},
        // The braille display's Settings item, its spoken name and what it says.
        {3055, "Braillský &riadok"},
        {3056, "Braillský riadok"},
        {3057, "Braillský riadok sa nenašiel."},
        {3058, "Braillský riadok zapnutý"},
        {3059, "Braillský riadok vypnutý"},
        // Alt+1 to Alt+9 asked for an answer further back than the game has gone.
        {3060, "Toľko odpovedí ešte nebolo."},
        // Help, Keys: the keys that are no menu items.
        {3061, "&Klávesy"},
        {3062, "Alt+1: znova prečíta poslednú odpoveď hry, Alt+2 odpoveď pred ňou, až po Alt+9.\n"
               "Šípka hore alebo dole: otvorí okno prezerania obrazovky.\n"
               "F3 v ňom: povie znak, dvakrát rýchlo za sebou ho vyhláskuje."},
        // The transcript's Settings item, and what is said when its file cannot be written.
        {3063, "Uchovávať &záznam hry"},
        {3064, "Záznam hry sa nedá zapísať do súboru"},
        // The rest of Help, Keys: a table entry holds at most 255 characters.
        {3065, "Alt+šípka hore vo vstupnom riadku: prečíta riadok.\n"
               "Ktorýkoľvek kláves zastaví reč.\n"
               "Alt+F4: uloží pamäť a ukončí program."},
    };
    return kTable;
}

} // namespace tov::strings
