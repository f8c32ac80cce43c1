// The adventure under any command lines: the input is split at LF into the lines typed
// into the dialog (a line that is a single 0x01 byte closes the dialog instead). Whatever
// is typed, the program either ends by itself or waits for the next line; no error
// escapes it (a RETURN without its call would), and nothing crashes.
#include "common/tov_error.h"
#include "doubles/scripteddialog.h"
#include "program/tovprog.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using namespace tov;

class NoPauses final : public runtime::Pauser {
public:
    void pause(std::chrono::milliseconds) override {}
};

class TrappingProcess final : public runtime::ProcessControl {
public:
    void showMessage(const std::string&) override {}
    [[noreturn]] void endProcess() override { __builtin_trap(); }
};

// A working folder with a two-chord tune, made once per fuzzing process.
struct Workdir {
    Workdir()
        : path(std::filesystem::temp_directory_path() /
               ("tovana-fuzz-adventure-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path);
        std::ofstream(path / runtime::kDataFile, std::ios::binary)
            << "440,554,659,880,70\r\n330,415,494,659,120\r\n-1,0,0,0,0\r\n";
    }
    ~Workdir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

constexpr char kCloseDialog = '\x01';

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Workdir workdir;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    testing::ScriptedDialog dialog;
    dialog.whenDone = testing::ScriptedDialog::WhenDone::Throw;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        const std::string_view line = bytes.substr(start, end - start);
        if (line.size() == 1 && line.front() == kCloseDialog) {
            dialog.script.emplace_back(std::nullopt);
        } else {
            dialog.script.emplace_back(std::string(line));
        }
        start = end + 1;
    }

    NoPauses pauser;
    TrappingProcess process;
    runtime::Console console(workdir.path);
    runtime::ConsoleHost host;
    host.dialog = &dialog;
    host.pauser = &pauser;
    host.process = &process;
    console.setHost(host);
    console.resetruntime();
    console.opendatafile();
    try {
        program::runprogram(console);
    } catch (const testing::ScriptExhausted&) {
    } catch (const TovError&) {
        __builtin_trap();
    }
    return 0;
}
