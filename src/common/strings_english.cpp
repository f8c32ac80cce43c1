// The English string table: messages 0 to 46 at ids 2000 to 2046.
// UTF-8 here; served as Windows-1250 by the localizer.
#include "common/string_tables.h"

namespace tov::strings {

std::span<const StringEntry> englishTable()
{
    static constexpr StringEntry kTable[] = {
        {2000, "English"},
        {2001, "Tovana Basic Interpreter"},
        {2002, "&Program"},
        {2003, "&Start"},
        {2004, "&Settings"},
        {2005, "&Environment"},
        {2006, "Your changes will be applied after you restart the program."},
        {2007, "&OK"},
        {2008, "Cancel"},
        {2009, "&Language"},
        {2010, "environment settings"},
        {2011, "Voice settings"},
        {2012, "&Voices"},
        {2013, "&Pitch"},
        {2014, "&Speed"},
        {2015, "Vo&lume"},
        {2016, "&Choose voice"},
        {2017, "&Close"},
        {2018, "The voice is turned off. You can turn it on in the Sounds dialog, menu Settings"},
        {2019, "Voice selected."},
        {2020, "&Sounds"},
        {2021, "Sounds settings"},
        {2022, "Use the &voice"},
        {2023, "Enter data"},
        {2024, "english"},
        {2025, "ready"},
        {2026, "Screen"},
        {2027, "Use SA&PI5 voice"},
        {2028, "Sound vo&lume"},
        {2029, "empty line"},
        {2030, "end of screen"},
        {2031, "line"},
        {2032, "column"},
        {2033, "&Exit"},
        {2034, "Hel&p"},
        {2035, "&About"},
        {2036, "About"},
        {2037, "version"},
        {2038, "&Voice"},
        {2039, "&Tovana sounds"},
        {2040, "Can't allow voice, no voices are available"},
        {2041, "The screen is full."},
        {2042, "Can't find the file"},
        {2043, "Can't find the voice specified in the ini file:"},
        {2044, "Please retype"},
        {2045, "E&xit program"},
        {2046, "&Braille keyboard"},
        {2047, "The settings cannot be stored:"},
        {2048, "Changes hold until the program ends."},
        {2049, "The sound file is damaged:"},
        {2050, "speech-dispatcher cannot be reached:"},
        {2051, "speech-dispatcher is not speaking. The program does not wait for it until it "
               "speaks again."},
        {2052, "The program ended with an error:"},
        // The braille display's Settings item, its spoken name and what it says.
        {2055, "Braille &display"},
        {2056, "Braille display"},
        {2057, "No braille display was found."},
        {2058, "Braille display on"},
        {2059, "Braille display off"},
        // Alt+1 to Alt+9 asked for an answer further back than the game has gone.
        {2060, "There is no answer that far back."},
        // Help, Keys: the keys that are no menu items.
        {2061, "&Keys"},
        {2062, "Alt+1: says the game's last answer again, Alt+2 the one before it, up to Alt+9.\n"
               "Up or Down arrow: opens the screen review window.\n"
               "F3 there: says the character; pressed twice quickly, spells it."},
        // The transcript's Settings item, and what is said when its file cannot be written.
        {2063, "Keep a &transcript"},
        {2064, "The transcript cannot be written to the file"},
        // The rest of Help, Keys: a table entry holds at most 255 characters.
        {2065, "Alt+Up arrow in the input line: reads the line.\n"
               "Any key stops the speech.\n"
               "Alt+F4: saves the memory and ends the program."},
    };
    return kTable;
}

} // namespace tov::strings
