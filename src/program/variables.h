// The adventure's variables: every number and string of the BASIC program, local to one
// run. The world's tables (locations.h) name these fields as flags; the interpreter
// (tovprog.h) owns one instance per run.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace tov::program {

inline constexpr size_t kItemSlots = 13;
inline constexpr size_t kTuneRecordSize = 5;

// Every variable of the program, local to one run. The flags are the BASIC's reals: they
// hold exactly 0 or 1 and are only ever compared for equality with 0 or 1.
struct ProgramVariables {
    std::string command;                              //: the player's last line, as INPUT left it
    std::array<std::string, kItemSlots> itemnames;    //: the carried items' names, inventory only
    std::array<double, kTuneRecordSize> tunevalues{}; //: one chord of the death tune
    double tonepitch = 0;                             //: the falling tone, 1000 down to 200

    double lettercarried = 0;   //: the letter has been taken
    double boxcarried = 0;      //: the box is carried
    double boxatclearing = 0;   //: the box stands at the clearing under the window
    double branchcarried = 0;   //: the dry branch is carried
    double branchlit = 0;       //: the branch has been lit
    double branchinhole = 0;    //: the burning branch lies in the hole of the funnel
    double canistercarried = 0; //: the petrol canister is carried
    double blastdone = 0;       //: the petrol has exploded; the snakes are burnt
    double locoatnorth = 0;     //: the locomotive stands at the north end of the gallery
    double matchcarried = 0;    //: the match is carried
    double boxexamined = 0;     //: the box has been examined; mask and rope fell out
    double gasmaskcarried = 0;  //: the gas mask is carried
    double ropecarried = 0;     //: the rope is carried
    double ropetied = 0;        //: the rope hangs from the beam over the shaft
    double shaftdooropen = 0;   //: the door in the shaft's south wall is open
    double floordooropen = 0;   //: the door in the cave's floor is open
    double waterdrained = 0;    //: the water has run out through the cave's tap
    double trapcarried = 0;     //: the ghost trap is carried
    double backpackcarried = 0; //: the backpack (a beam gun) is carried
    double ghostcaught = 0;     //: the ghost sits in the trap
    double headbumped = 0;      //: the player has bumped his head in the maze once
    double filterfound = 0;     //: examining the hut has shown the breathing filter
    double filtercarried = 0;   //: the breathing filter is carried
    double toadgone = 0;        //: the toad has fled from the opened trap, leaving the diamond
    double diamondcarried = 0;  //: the diamond is carried
    double chestfallen = 0;     //: the small chest has dropped from the ceiling
    double chestcarried = 0;    //: the small chest is carried
    double gateopen = 0;        //: the great gate of the statue room is open
    double sunmaskcarried = 0;  //: the mask of the sun god is carried
    double windowopen = 0;      //: the dungeon's rusty window is open
};

// The program's CLEAR: every number 0, every string empty. It leaves the return-point
// stack, the screen and the data file alone.
void clearvariables(ProgramVariables& variables);

} // namespace tov::program
