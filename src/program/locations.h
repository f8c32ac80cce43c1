// The adventure's world as data: the 34 locations, each with its description, the lines
// that depend on flags, its prompt, the ordered chain of tests on the player's command and
// its three return points. The interpreter in tovprog.cpp walks these tables; nothing
// here runs. Every text is Windows-1250, converted once from the UTF-8 of the source when
// the table is first used.
#pragma once

#include "program/variables.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tov::program {

using Flag = double ProgramVariables::*;

// One condition of a test: the flag equals the value (0 or 1), compared exactly.
struct FlagIs {
    Flag flag;
    double value;
};

// One assignment of a test: the flag becomes 0 or 1.
struct FlagSet {
    Flag flag;
    double value;
};

bool holds(const ProgramVariables& variables, std::span<const FlagIs> conditions);

// What a test that matched does.
enum class Action : uint8_t {
    Move,       //: print `messages`, then enter `target` at its description
    Answer,     //: print `messages`, apply `sets`, back to the prompt
    Retell,     //: tell the place again from its description
    Inventory,  //: call the inventory subroutine
    Dictionary, //: call the dictionary subroutine
    Death,      //: print `messages`, then the death routine
    FallDeath,  //: the falling tone first, then as Death
    Win,        //: print `messages`, then end the program
};

// One test of a location's chain: it matches when the command equals `word` byte for byte
// and every condition holds.
struct CommandTest {
    std::string word;
    std::vector<FlagIs> when;
    Action action = Action::Answer;
    std::vector<std::string> messages; //: one PRINT each, in order
    std::vector<FlagSet> sets;         //: applied after the messages
    int target = 0;                    //: the location a move enters
};

// A group of alternatives of which the first whose conditions hold is printed, one PRINT
// per line; none holding prints nothing. "vidíš dopis." while the letter lies there is a
// group of one; the shaft door's open and closed lines are a group of two.
struct LineChoice {
    std::vector<FlagIs> when;
    std::vector<std::string> lines;
};
using FlagLines = std::vector<LineChoice>;

enum class Prompt : uint8_t {
    Blank, //: PRINT " "
    Empty, //: PRINT "" (the south edge of the depression and the decorated corridor)
};

// The codes pushed by this location's three subroutine calls; RETURN with any of them
// resumes the location at its prompt.
struct ReturnPoints {
    int32_t inventory = 0;
    int32_t dictionary = 0;
    int32_t refusal = 0;
};

struct Location {
    int id = 0;                     //: 1 to 34
    std::vector<std::string> fixed; //: the fixed text, one PRINT per line
    std::vector<FlagLines> flaglines;
    std::string exits; //: the ways out; empty where another line carries them
    Prompt prompt = Prompt::Blank;
    std::vector<CommandTest> tests; //: the chain, tried in order; the first match runs
    ReturnPoints returnpoints;
};

inline constexpr int kLocationCount = 34;
// RETURN to this code resumes the death routine at the replay question.
inline constexpr int32_t kDeathTuneReturnPoint = 20007;

// The world, built and converted at first use; ids 1 to 34 in order.
const std::vector<Location>& locations();
const Location& location(int id);
// The location whose return point this is, or nullptr for a code no call uses.
const Location* locationOfReturnPoint(int32_t code);

} // namespace tov::program
