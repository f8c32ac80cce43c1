// Doubles of the runtime's hosts.
#include "doubles/doubles.h"

#include "common/atomic_file.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace tov::testing {

std::vector<std::string> EventLog::heard() const
{
    std::vector<std::string> out;
    std::copy_if(begin(), end(), std::back_inserter(out),
                 [](const std::string& entry) { return entry != kStopEntry; });
    return out;
}

int EventLog::count(std::string_view entry) const
{
    return static_cast<int>(std::count(begin(), end(), entry));
}

std::vector<std::string> EventLog::spoken() const
{
    std::vector<std::string> said;
    for (const std::string& entry : *this) {
        if (entry.starts_with(kTextEntry)) {
            said.push_back(entry.substr(kTextEntry.size()));
        }
    }
    return said;
}

std::string echoEntry(std::string_view name)
{
    return "<echo " + std::string(name) + ">";
}

std::string pauseEntry(int milliseconds)
{
    return "<pause " + std::to_string(milliseconds) + "ms>";
}

std::string soundEntry(const std::vector<double>& tones, double soundnumber, double duration)
{
    std::ostringstream entry;
    entry << "<sound ";
    for (size_t i = 0; i < tones.size(); ++i) {
        entry << (i > 0 ? "+" : "") << tones[i];
    }
    entry << " #" << soundnumber << ' ' << duration << "ms>";
    return entry.str();
}

void RecordingSounds::click(double n)
{
    std::ostringstream entry;
    entry << "<click " << n << ">";
    enter(entry.str());
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
    return files::readFile(path_ / name).value_or("");
}

ConsoleFixture::ConsoleFixture() : console(dir.path())
{
    console.setHost({&speech, &dialog, &process, &pauser, &sounds, {}});
}

} // namespace tov::testing
