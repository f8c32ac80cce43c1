// Recording doubles of the runtime's hosts, and a temporary working directory.
#pragma once

#include "runtime/host.h"
#include "runtime/tovcommands.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tov::testing {

// Records every text handed to `say`.
class RecordingSpeech final : public runtime::SpeechOutput {
public:
    void say(const std::string& text) override { spoken.push_back(text); }
    std::vector<std::string> spoken;
};

// Adds up the pauses instead of sleeping; remembers when each came relative to speech.
class RecordingPauser final : public runtime::Pauser {
public:
    void pause(std::chrono::milliseconds duration) override
    {
        total += duration;
        ++count;
    }
    std::chrono::milliseconds total{0};
    int count = 0;
};

// Records every sound statement and key cue.
class RecordingSounds final : public runtime::SoundStatement {
public:
    struct Sound {
        std::vector<double> tones;
        double soundnumber;
        double duration;
    };
    void sound(std::span<const double> tones, double soundnumber, double duration) override
    {
        sounds.push_back({{tones.begin(), tones.end()}, soundnumber, duration});
    }
    void beep() override { ++beeps; }
    void click(double n) override { clicks.push_back(n); }
    std::vector<Sound> sounds;
    int beeps = 0;
    std::vector<double> clicks;
};

// Answers each showModal with the next scripted line (Ok), or Closed when a line is
// std::nullopt or the script has run out. Records what the runtime did to it.
class ScriptedDialog final : public runtime::InputDialog {
public:
    void setEditText(const std::string& text) override
    {
        edit = text;
        ++textResets;
    }
    void activateEdit() override { ++activations; }
    runtime::DialogResult showModal() override;
    std::string editText() const override { return edit; }

    // Lines to answer with, in order. An empty optional closes the dialog instead.
    std::deque<std::optional<std::string>> script;
    std::string edit;
    int shows = 0;
    int textResets = 0;
    int activations = 0;
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

// A console in its own temporary folder with every host recorded.
struct ConsoleFixture {
    ConsoleFixture();
    TempDir dir;
    RecordingSpeech speech;
    RecordingPauser pauser;
    ScriptedDialog dialog;
    RecordingProcess process;
    RecordingSounds sounds;
    runtime::Console console;
};

} // namespace tov::testing
