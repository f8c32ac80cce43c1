// The notetaker's console as the built-in program sees it: PRINT onto the 24x80 screen
// (then spoken), INPUT of comma-separated values through the input dialog, the memory
// image kept in "ram.dat", and READ/RESTORE over the numbers of "data.dta".
//
// The process has one Console, created before the main window. Its hosts (speech, the
// input dialog, message boxes and the process end, pauses) are wired by whoever runs it;
// until then it is silent and its dialog is closed. Everything here runs on the GUI
// thread; `say` and the modal dialog keep the event queue running while they wait, so
// key handlers and menu commands may run nested inside a `print` or an `input`.
#pragma once

#include "runtime/datafile.h"
#include "runtime/host.h"
#include "runtime/screen.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tov::runtime {

// What PRINT does after its text: PRINT x, PRINT x; and PRINT x, of the BASIC.
enum class PrintMode : uint8_t { EndLine = 0, Stay = 1, NextZone = 2 };

// INPUT's three ways to start: a new line without a prompt, the rest of the last line,
// a new line after the "Enter data" prompt.
enum class InputMode : uint8_t { NewLine = 0, Continue = 1, Prompted = 2 };

inline constexpr size_t kMemorySize = 65536;
using MemoryImage = std::array<uint8_t, kMemorySize>;
//: a 1 here keeps the review window closed
inline constexpr size_t kReviewDisableAddress = 50730;

inline constexpr const char* kMemoryImageFile = "ram.dat";
inline constexpr const char* kDataFile = "data.dta";

// Turns the name of a file the program opens ("ram.dat", "data.dta", "sounds.dat", ...)
// into the path it is opened by; the shell's file locations give one to an installed
// program.
using FileLocator = std::function<std::filesystem::path(const std::string& name)>;

// The last tone settings of the sound statement, which its next call starts from.
struct SoundStatementState {
    uint8_t lastsound = 1;    //: sound number of the previous `sound`
    int32_t lastduration = 1; //: its duration in milliseconds
};

// The one print channel: every output that follows the console (the main window's
// screen-reader announcer, the terminal's standard output, the braille display, the answer
// record) is told here what PRINT wrote and where, and when INPUT waits for a line, so none
// of them reaches back into the console to work it out.
// What one PRINT did, as the screen shows it (not yet spoken).
struct PrintedText {
    std::string_view text;
    PrintMode mode = PrintMode::EndLine;
    //: the screen row the text ended on, as the screen stands now: "jsi v lese" printed
    //: with a line end on the last row scrolled the screen, so its row is 22
    int row = 0;
    //: the cursor went on to the next line: a line end, or a tab zone past the last one
    bool endsLine = false;
};

class PrintObserver {
public:
    virtual ~PrintObserver() = default;
    virtual void printed(const PrintedText& printed) = 0;
    // INPUT is about to wait for a line: what was printed since the last wait is complete.
    virtual void inputStarted() {}
    // INPUT has its line (trimmed), or the empty line when the dialog was closed.
    virtual void inputEnded(std::string_view /*line*/) {}
};

// Everything the console talks to, handed over in one piece by the host that runs it (the
// window, the terminal, a test). The observers are told in the order listed.
struct ConsoleHost {
    Speech* speech = &silentSpeech();
    InputDialog* dialog = &closedDialog();
    ProcessControl* process = &stderrProcess();
    Pauser* pauser = &sleepingPauser();
    SoundStatement* sounds = &silentSounds();
    std::vector<PrintObserver*> observers;
};

class Console {
public:
    // Files are found in `workdir`; the empty path is the working directory.
    explicit Console(std::filesystem::path workdir = {});

    const ConsoleHost& host() const { return host_; }
    // Where the data files are found; empty for the working directory.
    const std::filesystem::path& workdir() const { return workdir_; }
    // The hosts, all at once; only the host that runs the console calls it.
    void setHost(ConsoleHost host) { host_ = std::move(host); }
    // From now on every file is opened where the locator says, not in `workdir`.
    void setlocator(FileLocator locator) { locator_ = std::move(locator); }
    // Where the file of this name is opened: by the locator when there is one.
    std::filesystem::path locate(const std::string& name) const;

    // --- screen and PRINT ---
    VirtualScreen& screen() { return screen_; }
    const VirtualScreen& screen() const { return screen_; }
    tscrcursor& cursor() { return cursor_; }
    uint8_t printmode() const { return printmode_; }

    // Writes the text at the cursor, then speaks it.
    void print(std::string_view text, PrintMode mode);
    // Writes the text at the cursor with the current print mode.
    void writescreen(std::string_view text);
    // Cursor to column 0 of the next line, scrolling past the last one.
    void newline();

    // --- INPUT ---
    std::string& inputbuffer() { return inputbuffer_; }
    // Assigns the next value to target, or leaves it alone when the line is empty or the
    // dialog was closed.
    void input(std::string& target, InputMode mode);

    // --- run control ---
    // The reset of every Start: empty input buffer, sound statement at 1 and 1, column 0.
    void resetruntime();
    SoundStatementState& soundstate() { return soundstate_; }

    // --- the program's sound statement and pauses, through the hosts ---
    void sound(std::span<const double> tones, double soundnumber, double duration)
    {
        host_.sounds->sound(tones, soundnumber, duration);
    }
    // A blocking pause that does not serve the event queue.
    void pause(std::chrono::milliseconds duration) { host_.pauser->pause(duration); }

    // --- memory image ---
    MemoryImage& memoryimage() { return memoryimage_; }
    // Zero-fills, then takes up to 65536 bytes of "ram.dat" when it exists. A file that
    // exists but cannot be read is reported through the process host, naming the file
    // and the reason, and is then never replaced.
    void loadmemoryimage();
    // Replaces "ram.dat" atomically with the 65536 bytes, unless the load could not read
    // it. Throws TovError naming the file when it cannot be written; the old file is then
    // left as it was.
    void savememoryimage() const;
    // The byte at the address truncated toward zero; throws TovError outside 0 to 65535.
    uint8_t peek(double address) const;

    // --- data file ---
    // Start opens "data.dta" when it exists and closes it after the run.
    void opendatafile();
    void closedatafile() { datafile_.reset(); }
    bool isDataFileOpen() const { return datafile_.has_value(); }
    // READ: a missing "data.dta" shows message 42 with the name and ends the process; a
    // value that is not a number throws TovError.
    void readnumber(double& value);
    // RESTORE: the next READ starts from the first value again.
    void restoredata();

private:
    std::filesystem::path fileInWorkdir(const char* name) const;
    void padLine(std::string& line) const;
    PrintedText whatWasPrinted(std::string_view text, PrintMode mode) const;
    void tellInputEnded(std::string_view line);
    void putText(std::string_view chunk);
    bool ensureDataFile();
    [[noreturn]] void missingFile(const char* name);
    void handOutValue(std::string& target);

    std::filesystem::path workdir_;
    FileLocator locator_; //: empty: every file in `workdir_`
    ConsoleHost host_;
    VirtualScreen screen_;
    tscrcursor cursor_;
    uint8_t printmode_ = 0;
    std::string inputbuffer_; //: the unused rest of the last confirmed line
    SoundStatementState soundstate_;
    MemoryImage memoryimage_{};
    bool memoryimageunread_ = false;     //: "ram.dat" exists but could not be read
    std::optional<DataReader> datafile_; //: "data.dta" while a run has it open
};

} // namespace tov::runtime
