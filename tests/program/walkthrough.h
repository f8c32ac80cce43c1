// The shortest winning order of commands, in pieces that the death and edge-case tests
// reuse as the way to a place, and a runner for rows of command and expected line.
#pragma once

#include "player.h"

#include <string>
#include <vector>

namespace tov::program::testing {

// One command and what must be heard after it: a line that one PRINT said exactly, or,
// when `expect` is empty, a one-line answer that is not the refusal.
struct Row {
    std::string command; //: UTF-8
    std::string expect;  //: Windows-1250
};
using Rows = std::vector<Row>;

inline const std::string kAnswered;

Row arrive(std::string command, int id);
Row hear(std::string command, std::string_view utf8);
Row answered(std::string command);

Rows join(std::initializer_list<Rows> parts);
std::vector<std::optional<std::string>> commandsOf(const Rows& rows);

// The winning order, piece by piece; the comment says where each piece ends.
Rows takeBranch();          // L02, the branch carried
Rows rideTheLocomotive();   // L02, canister and match carried
Rows openTheBox();          // L07, mask, rope and box carried
Rows blowUpTheSnakes();     // L06, the snakes burnt
Rows setDownBoxAndRope();   // L08, the box at the clearing, the rope tied
Rows downToTheCave();       // L10
Rows drainAndTakeTrap();    // L09, the water drained, the trap carried
Rows toTheTempleEntrance(); // L16, the backpack carried
Rows catchTheGhost();       // L17, the ghost in the trap
Rows fetchTheFilter();      // L17, the filter carried
Rows crossToTheChest();     // L29, the chest carried
Rows takeTheSunMask();      // L34, the window opened
Rows jump();                // the win
// Everything up to the maze (L17) with the ghost caught.
Rows toTheMaze();
Rows winningOrder();

// Checks turn firstTurn + i against rows[i].
void expectRows(const Player& player, const Rows& rows, size_t firstTurn = 1);

bool contains(const std::vector<std::string>& entries, const std::string& line);

} // namespace tov::program::testing
