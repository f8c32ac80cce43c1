// The scripted player and its event log.
#include "player.h"

#include "common/text.h"

#include <algorithm>
#include <sstream>

namespace tov::program::testing {

std::string cz(std::string_view utf8)
{
    return text::fromUtf8(utf8);
}

std::string padded(std::string_view text)
{
    std::string line(text);
    line.resize(std::max<size_t>(line.size(), runtime::kScreenColumns), ' ');
    return line;
}

std::string arrivalAt(int id)
{
    return location(id).fixed.front();
}

std::string pauseEntry(int milliseconds)
{
    return "<pause " + std::to_string(milliseconds) + ">";
}

std::string soundEntry(const std::vector<double>& tones, double soundnumber, double duration)
{
    std::ostringstream entry;
    entry << "<sound";
    for (double tone : tones) {
        entry << ' ' << tone;
    }
    entry << " | " << soundnumber << " | " << duration << ">";
    return entry.str();
}

std::string show(const std::vector<std::string>& entries)
{
    std::string out;
    for (const std::string& entry : entries) {
        out += "  [" + text::toUtf8(entry) + "]\n";
    }
    return out;
}

class Player::Dialog final : public runtime::InputDialog {
public:
    explicit Dialog(Player& player) : player_(player) {}
    void setEditText(const std::string& text) override { player_.dialog.setEditText(text); }
    void activateEdit() override { player_.dialog.activateEdit(); }
    std::string editText() const override { return player_.dialog.editText(); }
    runtime::DialogResult showModal() override
    {
        if (player_.dialog.script.empty()) {
            throw ScriptExhausted{};
        }
        player_.startTurn();
        return player_.dialog.showModal();
    }

private:
    Player& player_;
};

class Player::Pauses final : public runtime::Pauser {
public:
    explicit Pauses(Player& player) : player_(player) {}
    void pause(std::chrono::milliseconds duration) override
    {
        player_.log.push_back(pauseEntry(static_cast<int>(duration.count())));
        player_.pauser.pause(duration);
    }

private:
    Player& player_;
};

class Player::Sounds final : public runtime::SoundStatement {
public:
    explicit Sounds(Player& player) : player_(player) {}
    void sound(std::span<const double> tones, double soundnumber, double duration) override
    {
        player_.log.push_back(soundEntry({tones.begin(), tones.end()}, soundnumber, duration));
        player_.sounds.sound(tones, soundnumber, duration);
    }
    void beep() override { player_.sounds.beep(); }
    void click(double n) override { player_.sounds.click(n); }

private:
    Player& player_;
};

Player::Player()
    : dialogHost_(std::make_unique<Dialog>(*this)), pauserHost_(std::make_unique<Pauses>(*this)), soundHost_(std::make_unique<Sounds>(*this))
{
    dir.write(runtime::kDataFile, kTestTune);
    // What is said enters the log as it is spoken, between the pauses around it.
    speech.whileSpeaking = [this] { log.push_back(speech.spoken.back()); };
    console.setHost({&speech, dialogHost_.get(), &process, pauserHost_.get(), soundHost_.get()});
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
