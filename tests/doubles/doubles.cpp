// Doubles of the runtime's hosts.
#include "doubles/doubles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tov::testing {

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
    console.setHost({&speech, &dialog, &process, &pauser, &sounds});
}

} // namespace tov::testing
