// The scripted player and its event log.
#include "player.h"

#include "common/text.h"

namespace tov::program::testing {

std::string arrivalAt(int id)
{
    return location(id).fixed.front();
}

std::string show(const std::vector<std::string>& entries)
{
    std::string out;
    for (const std::string& entry : entries) {
        out += "  [" + text::toUtf8(entry) + "]\n";
    }
    return out;
}

Player::Player()
{
    dir.write(runtime::kDataFile, kTestTune);
    // Each show of the dialog closes the turn before it; a show past the script ends the run.
    dialog.whenDone = tov::testing::ScriptedDialog::WhenDone::Throw;
    dialog.beforeShow = [this] { startTurn(); };
}

void Player::startTurn()
{
    turns_.emplace_back(log.begin() + static_cast<std::ptrdiff_t>(turnStart_), log.end());
    turnStart_ = log.size();
}

bool Player::play(const std::vector<std::optional<std::string>>& lines)
{
    for (const std::optional<std::string>& line : lines) {
        dialog.script.push_back(line ? std::optional<std::string>(cz(*line)) : std::nullopt);
    }
    console.resetruntime();
    console.opendatafile();
    bool ended = true;
    try {
        runprogram(console);
    } catch (const ScriptExhausted&) {
        ended = false;
    }
    startTurn();
    return ended;
}

std::vector<std::string> Player::answer(size_t i) const
{
    std::vector<std::string> entries = turn(i);
    if (!entries.empty() && entries.back() == kPromptBlank) {
        entries.pop_back();
    }
    return entries;
}

const std::string& Player::screenLineAbove(int back)
{
    return console.screen().line(console.cursor().row() - back);
}

} // namespace tov::program::testing
