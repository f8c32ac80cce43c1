// The transcript: while it is on, every line the program prints and every command typed
// is appended to a text file (UTF-8, "> v" for a command), the date and time written
// at the start of each session, so a player can read the whole game again afterwards.
// It reads the lines from the session's answer record and follows the print channel
// after it. Each line is written when it ends, straight to the file (opened for appending,
// its mode given explicitly), so a crash loses at most the line being printed.
// A file that cannot be written is reported once, naming it; the transcript then stops
// and the game goes on. No Qt: every host links it. All of this runs on the console's thread.
#pragma once

#include "runtime/answers.h"
#include "runtime/console.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

namespace tov::runtime {

inline constexpr const char* kTranscriptFile = "transcript.txt";

class Transcript final : public PrintObserver {
public:
    // `report` shows the one message of a file that cannot be written (Windows-1250);
    // `now` gives the session's date and time (the clock, or a test's fixed one).
    Transcript(
        const AnswerRecord& answers, std::function<void(const std::string&)> report,
        std::function<std::time_t()> now = [] { return std::time(nullptr); });
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // On into `file` (the next line starts a session there), or off with the empty path.
    void keepIn(const std::filesystem::path& file);
    bool isKept() const { return fd_ >= 0 || pendingStart_; }

    void printed(const PrintedText& printed) override;
    void inputStarted() override;
    void inputEnded(std::string_view line) override;

private:
    // Writes the answer's lines from `written_` on.
    void writeLines(const Answer& answer);
    void append(const std::string& utf8);
    void fail(int error);
    void close();

    const AnswerRecord& answers_;
    std::function<void(const std::string&)> report_;
    std::function<std::time_t()> now_;
    std::filesystem::path file_;
    int fd_ = -1;               //: the open file, appended to
    bool pendingStart_ = false; //: on, and the session's heading not yet written
    bool hasFailed_ = false;    //: reported already: no second message this session
    size_t written_ = 0;        //: lines of the answer being printed already in the file
};

} // namespace tov::runtime
