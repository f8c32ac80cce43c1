// The winning order (doubles/walkthrough.h) as rows of the adventure's tests, piece by
// piece for the death and edge-case tests that reuse it as the way to a place, and a
// runner for rows of command and expected line.
#pragma once

#include "doubles/walkthrough.h"
#include "player.h"

#include <span>
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

namespace walk = tov::testing::walkthrough;

Rows rowsOf(std::span<const walk::Step> steps);
Rows rowsOf(std::span<const std::span<const walk::Step>> pieces);

// A piece of the winning order as rows: takeBranch() is the rows of walk::kTakeBranch.
struct Piece {
    std::span<const walk::Step> steps;
    Rows operator()() const { return rowsOf(steps); }
};

// The winning order, piece by piece; doubles/walkthrough.h says where each piece ends.
inline constexpr Piece takeBranch{walk::kTakeBranch};
inline constexpr Piece rideTheLocomotive{walk::kRideTheLocomotive};
inline constexpr Piece openTheBox{walk::kOpenTheBox};
inline constexpr Piece blowUpTheSnakes{walk::kBlowUpTheSnakes};
inline constexpr Piece setDownBoxAndRope{walk::kSetDownBoxAndRope};
inline constexpr Piece downToTheCave{walk::kDownToTheCave};
inline constexpr Piece drainAndTakeTrap{walk::kDrainAndTakeTrap};
inline constexpr Piece toTheTempleEntrance{walk::kToTheTempleEntrance};
inline constexpr Piece catchTheGhost{walk::kCatchTheGhost};
inline constexpr Piece fetchTheFilter{walk::kFetchTheFilter};
inline constexpr Piece crossToTheChest{walk::kCrossToTheChest};
inline constexpr Piece takeTheSunMask{walk::kTakeTheSunMask};
inline constexpr Piece jump{walk::kJump};
// Everything up to the maze (L17) with the ghost caught.
Rows toTheMaze();
Rows winningOrder();

// Checks turn firstTurn + i against rows[i].
void expectRows(const Player& player, const Rows& rows, size_t firstTurn = 1);

bool contains(const std::vector<std::string>& entries, const std::string& line);

} // namespace tov::program::testing
