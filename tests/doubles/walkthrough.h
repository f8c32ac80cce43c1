// The shortest winning order of commands, UTF-8, as a player types them: from the clearing
// to the jump into the box. The end-to-end tests of the window and the terminal play it.
#pragma once

#include <array>
#include <string_view>

namespace tov::testing {

inline constexpr std::array<std::string_view, 76> kWinningCommands = {
    // the branch, the locomotive, the match
    "v",
    "vezmi větev",
    "s",
    "vezmi kanystr",
    "nastup",
    "stiskni pedál",
    "vystup",
    "vezmi sirku",
    "nastup",
    "stiskni pedál",
    "vystup",
    "j",
    // the box with the mask and the rope
    "v",
    "v",
    "prozkoumej bednu",
    "vezmi masku",
    "vezmi lano",
    "vezmi bednu",
    // the blast that burns the snakes
    "z",
    "zapal větev",
    "polož větev",
    "polož kanystr",
    // the box at the clearing, the rope on the beam
    "z",
    "z",
    "polož bednu",
    "v",
    "přivaž lano",
    "d",
    // the water out of the cave, the trap
    "d",
    "j",
    "otevři dveře",
    "otoč kohoutem",
    "d",
    "vezmi past",
    "n",
    "s",
    // the backpack, the ghost
    "v",
    "v",
    "vezmi bakpak",
    "z",
    "z",
    "n",
    "otevři dveře",
    "j",
    "n",
    "j",
    "stiskni tlačítko",
    "j",
    // the filter
    "z",
    "z",
    "prozkoumej chatu",
    "vezmi filtr",
    "v",
    "v",
    // through the gas to the diamond and the chest
    "j",
    "d",
    "j",
    "v",
    "v",
    "v",
    "v",
    "otevři past",
    "vezmi diamant",
    "v",
    "polož diamant",
    "vezmi truhličku",
    // the mask of the sun god, the window, the jump
    "s",
    "stiskni páku",
    "v",
    "n",
    "vezmi masku",
    "d",
    "z",
    "s",
    "z",
    "d",
};

} // namespace tov::testing
