// The run steps shared by the window and the terminal.
#include "shell/runcontrol.h"

#include "common/localizer.h"
#include "program/tovprog.h"
#include "runtime/console.h"

namespace tov::shell {
namespace {

// Closes the data file however the run ends; closing an unopened file is no error.
class DataFileGuard {
public:
    explicit DataFileGuard(runtime::Console& console) : console_(console) {}
    ~DataFileGuard() { console_.closedatafile(); }
    DataFileGuard(const DataFileGuard&) = delete;
    DataFileGuard& operator=(const DataFileGuard&) = delete;

private:
    runtime::Console& console_;
};

} // namespace

void runBuiltInProgram(runtime::Console& console, const std::function<void()>& started)
{
    const DataFileGuard guard(console);
    console.opendatafile();
    started();
    console.resetruntime();
    program::runprogram(console);
    console.print(message(Message::Ready), runtime::PrintMode::EndLine);
}

} // namespace tov::shell
