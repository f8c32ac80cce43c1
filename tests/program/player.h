// A player for the adventure: it types a script of command lines into the input dialog
// and keeps one ordered log of everything the program did meanwhile (what it said, its
// pauses, its sound statements, each wait for a line), cut into turns at every INPUT.
// When the script runs out the next INPUT throws ScriptExhausted, so a test never loops.
#pragma once

#include "doubles/doubles.h"
#include "program/locations.h"
#include "program/tovprog.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tov::program::testing {

using tov::testing::ScriptExhausted;

// The UTF-8 text of the source as the program's Windows-1250, short for the many scripts.
inline constexpr auto& cz = tov::testing::cp1250;
using tov::testing::padded;
// The first line of a location's description: hearing it means the player arrived there.
std::string arrivalAt(int id);

// What a turn holds besides the spoken texts, as entries of the log.
using tov::testing::pauseEntry;
using tov::testing::soundEntry;
inline constexpr const char* kPromptBlank = " ";

// A two-chord tune: the death tests expect exactly these sound statements.
inline constexpr std::string_view kTestTune = "440,554,659,880,700\r\n"
                                              "330,415,494,659,1200\r\n"
                                              "-1,0,0,0,0\r\n";

class Player : public tov::testing::ConsoleFixture {
public:
    // Writes kTestTune as the data file, as Start would find it, and wires the hosts.
    Player();

    // Runs the program with these lines (UTF-8; std::nullopt closes the dialog instead).
    // True when the program ended by itself, false when it asked for one more line.
    bool play(const std::vector<std::optional<std::string>>& lines);

    // turns()[0] is everything before the first INPUT; turns()[i] what followed the
    // i-th line, up to the next INPUT or the end.
    const std::vector<std::vector<std::string>>& turns() const { return turns_; }
    const std::vector<std::string>& turn(size_t i) const { return turns_.at(i); }
    const std::vector<std::string>& lastTurn() const { return turns_.back(); }
    // A turn without the prompt's blank that closes it.
    std::vector<std::string> answer(size_t i) const;

    // The screen line above the cursor's line, `back` lines up (1: the line just ended).
    const std::string& screenLineAbove(int back);

private:
    void startTurn();

    std::vector<std::vector<std::string>> turns_;
    size_t turnStart_ = 0;
};

// A readable copy of a log slice for failure messages.
std::string show(const std::vector<std::string>& entries);

} // namespace tov::program::testing
