// Appending the game to the transcript file.
#include "runtime/transcript.h"

#include "common/localizer.h"
#include "common/text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tov::runtime {
namespace {

//: the user's own file: readable by them and the group, as an editor would make it
constexpr mode_t kTranscriptMode = 0644;

std::string sessionHeading(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M", &local);
    return std::string("\n--- ") + stamp + " ---\n";
}

} // namespace

Transcript::Transcript(const AnswerRecord& answers, std::function<void(const std::string&)> report,
                       std::function<std::time_t()> now)
    : answers_(answers), report_(std::move(report)), now_(std::move(now))
{
}

Transcript::~Transcript()
{
    close();
}

void Transcript::keepIn(const std::filesystem::path& file)
{
    close();
    file_ = file;
    pendingStart_ = !file.empty();
    hasFailed_ = false;
    // What is printed from now on; the lines before were never the transcript's.
    written_ = answers_.current().lines.size();
}

void Transcript::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    pendingStart_ = false;
}

void Transcript::printed(const PrintedText& printed)
{
    if (printed.endsLine) {
        writeLines(answers_.current());
    }
}

void Transcript::inputStarted()
{
    // A prompt printed with ";" has just become the answer's last line.
    if (const Answer* answer = answers_.justAnswered()) {
        writeLines(*answer);
    }
    written_ = 0;
}

void Transcript::inputEnded(std::string_view line)
{
    written_ = 0;
    if (isKept()) {
        append("> " + text::toUtf8(line) + "\n");
    }
}

void Transcript::writeLines(const Answer& answer)
{
    for (; written_ < answer.lines.size(); ++written_) {
        if (isKept()) {
            append(text::toUtf8(answer.lines[written_]) + "\n");
        }
    }
}

void Transcript::append(const std::string& utf8)
{
    if (pendingStart_) {
        pendingStart_ = false;
        fd_ = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kTranscriptMode);
        if (fd_ < 0) {
            fail(errno);
            return;
        }
        append(sessionHeading(now_()));
    }
    if (fd_ < 0) {
        return;
    }
    std::string_view rest = utf8;
    while (!rest.empty()) {
        const ssize_t done = ::write(fd_, rest.data(), rest.size());
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            fail(done < 0 ? errno : ENOSPC);
            return;
        }
        rest.remove_prefix(static_cast<size_t>(done));
    }
}

void Transcript::fail(int error)
{
    close();
    if (hasFailed_) {
        return;
    }
    hasFailed_ = true;
    if (report_) {
        report_(message(Message::TranscriptUnwritable) + " " + text::fromUtf8(file_.string()) +
                " (" + text::fromUtf8(std::strerror(error)) + ")");
    }
}

} // namespace tov::runtime
