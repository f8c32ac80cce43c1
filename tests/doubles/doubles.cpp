// Doubles of the runtime's hosts.
#include "doubles/doubles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace tov::testing {
namespace {

void record(EventLog* events, std::string entry)
{
    if (events != nullptr) {
        events->push_back(std::move(entry));
    }
}

} // namespace

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

void RecordingPauser::pause(std::chrono::milliseconds duration)
{
    total += duration;
    ++count;
    record(events, pauseEntry(static_cast<int>(duration.count())));
}

void RecordingSounds::sound(std::span<const double> tones, double soundnumber, double duration)
{
    sounds.push_back({{tones.begin(), tones.end()}, soundnumber, duration});
    record(events, soundEntry({tones.begin(), tones.end()}, soundnumber, duration));
}

void RecordingSounds::beep()
{
    ++beeps;
    record(events, "<beep>");
}

void RecordingSounds::click(double n)
{
    clicks.push_back(n);
    std::ostringstream entry;
    entry << "<click " << n << ">";
    record(events, entry.str());
}

runtime::DialogResult ScriptedDialog::showModal()
{
    ++shows;
    if (script.empty()) {
        return runtime::DialogResult::Closed;
    }
    std::optional<std::string> line = std::move(script.front());
    script.pop_front();
    if (!line) {
        return runtime::DialogResult::Closed;
    }
    edit = *line;
    return runtime::DialogResult::Ok;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tovana-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(const char* name, std::string_view bytes) const
{
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::read(const char* name) const
{
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ConsoleFixture::ConsoleFixture() : console(dir.path())
{
    speech.events = &log;
    pauser.events = &log;
    sounds.events = &log;
    console.setHost({&speech, &dialog, &process, &pauser, &sounds});
}

} // namespace tov::testing
