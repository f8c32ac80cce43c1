// Recording doubles of the runtime's hosts, a temporary working directory, and the small
// helpers many tests share (a thrown error's text, Czech source text as Windows-1250).
#pragma once

#include "common/localizer.h"
#include "common/text.h"
#include "common/tov_error.h"
#include "doubles/scripteddialog.h"
#include "runtime/console.h"
#include "runtime/host.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tov::testing {

// The text of the TovError that `run` throws, or "no error".
template <typename Run>
std::string errorOf(Run&& run)
{
    try {
        run();
    } catch (const TovError& error) {
        return error.what();
    }
    return "no error";
}

// Czech source text (UTF-8) as the Windows-1250 bytes the program holds every text in.
inline std::string cp1250(std::string_view utf8)
{
    return text::fromUtf8(utf8);
}

// The language of a test, Czech again at its end. Captions are fetched when a window is
// created, so a window's test sets this before the window is made.
struct Language {
    explicit Language(int32_t base) { languageSettings().languagebase = base; }
    ~Language() { languageSettings().languagebase = kCzechBase; }
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;
};

// A written screen line: the text and blanks up to the screen's width.
inline std::string padded(std::string_view line)
{
    std::string cells(line);
    cells.resize(std::max<size_t>(cells.size(), runtime::kScreenColumns), ' ');
    return cells;
}

// One log, in the order asked, of what the speech, pause and sound doubles below and the
// speech tests' fake engines were asked while they share it, so a test can say "the click,
// then the beep". A spoken text stands as it is; every other call is marked: "<stop>",
// "<saynowait Screen>", "<echo a>", "<pause 300ms>", "<sound 300+450 #5 100ms>", "<beep>",
// "<click 2>". Texts are Windows-1250.
class EventLog : public std::vector<std::string> {
public:
    // Everything but the "<stop>" each key begins with, which most tests take for granted.
    std::vector<std::string> heard() const;
    int count(std::string_view entry) const;
    // The texts the speech engines' doubles were handed, in order: each entry that begins
    // with kTextEntry, without it.
    std::vector<std::string> spoken() const;
};
inline constexpr const char* kStopEntry = "<stop>";
inline constexpr std::string_view kTextEntry = "TextData "; //: an engine's double was given a text
std::string echoEntry(std::string_view name);
std::string pauseEntry(int milliseconds);
std::string soundEntry(const std::vector<double>& tones, double soundnumber, double duration);

// The log a recording double enters each call in, when it was given one.
class LogsTo {
public:
    LogsTo() = default;
    explicit LogsTo(EventLog& log) : log_(&log) {}

protected:
    void enter(std::string entry) const
    {
        if (log_ != nullptr) {
            log_->push_back(std::move(entry));
        }
    }

private:
    EventLog* log_ = nullptr;
};

// Records what reaches the speech layer: `spoken` holds the text of every `say`; with a
// log, every call is entered there too. `whileSpeaking` runs inside `say` and
// `saykeyname`, where the real layer waits for the end of speech: a test makes it serve
// the event queue, so the next keys are handled inside the wait.
class RecordingSpeech final : public runtime::Speech, private LogsTo {
public:
    using LogsTo::LogsTo;
    void say(const std::string& text) override
    {
        spoken.push_back(text);
        enter(text);
        wait();
    }
    void saynowait(const std::string& text) override { enter("<saynowait " + text + ">"); }
    void stopspeech() override { enter(kStopEntry); }
    void saykeyname(const std::string& name) override
    {
        enter(echoEntry(name));
        wait();
    }
    bool engineready() const override { return ready; }

    std::vector<std::string> spoken;
    bool ready = true;
    std::function<void()> whileSpeaking;

private:
    void wait() const
    {
        if (whileSpeaking) {
            whileSpeaking();
        }
    }
};

// Enters each pause in the log, when it has one, instead of sleeping.
class RecordingPauser final : public runtime::Pauser, private LogsTo {
public:
    using LogsTo::LogsTo;
    void pause(std::chrono::milliseconds duration) override
    {
        enter(pauseEntry(static_cast<int>(duration.count())));
    }
};

// Records every sound statement in `sounds`, and every statement and key cue in the log
// when it has one.
class RecordingSounds final : public runtime::SoundStatement, private LogsTo {
public:
    using LogsTo::LogsTo;
    struct Sound {
        std::vector<double> tones;
        double soundnumber;
        double duration;
    };
    void sound(std::span<const double> tones, double soundnumber, double duration) override
    {
        sounds.push_back({{tones.begin(), tones.end()}, soundnumber, duration});
        enter(soundEntry(sounds.back().tones, soundnumber, duration));
    }
    void beep() override { enter("<beep>"); }
    void click(double n) override;
    std::vector<Sound> sounds;
};

// Thrown by RecordingProcess::endProcess, so a test sees the end instead of dying.
struct ProcessEnded {};

class RecordingProcess final : public runtime::ProcessControl {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    [[noreturn]] void endProcess() override
    {
        ++ends;
        throw ProcessEnded{};
    }
    std::vector<std::string> messages;
    int ends = 0;
};

// A fresh folder under the system's temporary directory, removed again at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const char* name) const { return path_ / name; }
    void write(const char* name, std::string_view bytes) const;
    std::string read(const char* name) const;

private:
    std::filesystem::path path_;
};

// A console in its own temporary folder with every host recorded; speech, pauses and
// sounds share one event log.
struct ConsoleFixture {
    ConsoleFixture();
    TempDir dir;
    EventLog log; //: speech, pauses and sounds in the order they came
    RecordingSpeech speech{log};
    RecordingPauser pauser{log};
    ScriptedDialog dialog;
    RecordingProcess process;
    RecordingSounds sounds{log};
    runtime::Console console;
};

} // namespace tov::testing
