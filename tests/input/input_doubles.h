// Recording doubles of what the keyboard's windows speak through and play: one log, in
// the order things happened, so a test can say "the click, then the beep".
#pragma once

#include "input/brailletables.h"
#include "input/inputspeech.h"
#include "input/tableloaders.h"
#include "runtime/host.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace tov::testing {

// Entries: "stop", "say <text>", "saynowait <text>", "echo <text>", "sound 300+450 5 100",
// "beep", "click 2". Texts are Windows-1250.
struct CueLog {
    std::vector<std::string> entries;

    // Everything but the "stop" of each key, which most tests take for granted.
    std::vector<std::string> heard() const
    {
        std::vector<std::string> out;
        std::copy_if(entries.begin(), entries.end(), std::back_inserter(out),
                     [](const std::string& e) { return e != "stop"; });
        return out;
    }
    int count(const std::string& entry) const
    {
        return static_cast<int>(std::count(entries.begin(), entries.end(), entry));
    }
    void clear() { entries.clear(); }
};

// `say` and `echokey` log, then run `whileSpeaking`: a test makes it serve the event queue,
// as the real layer does while it waits for the end of speech, so the next keys are
// handled inside the wait.
class RecordingInputSpeech final : public input::InputSpeech {
public:
    explicit RecordingInputSpeech(CueLog& log) : log_(log) {}
    void say(const std::string& text) override
    {
        log_.entries.push_back("say " + text);
        wait();
    }
    void saynowait(const std::string& text) override
    {
        log_.entries.push_back("saynowait " + text);
    }
    void stopspeech() override { log_.entries.push_back("stop"); }
    void echokey(const std::string& text) override
    {
        log_.entries.push_back("echo " + text);
        wait();
    }
    bool engineready() const override { return ready; }

    bool ready = true;
    std::function<void()> whileSpeaking;

private:
    void wait()
    {
        if (whileSpeaking) {
            whileSpeaking();
        }
    }

    CueLog& log_;
};

class RecordingCues final : public runtime::SoundStatement {
public:
    explicit RecordingCues(CueLog& log) : log_(log) {}
    void sound(std::span<const double> tones, double soundnumber, double duration) override
    {
        std::ostringstream entry;
        entry << "sound ";
        for (size_t i = 0; i < tones.size(); ++i) {
            entry << (i > 0 ? "+" : "") << tones[i];
        }
        entry << ' ' << soundnumber << ' ' << duration;
        log_.entries.push_back(entry.str());
    }
    void beep() override { log_.entries.push_back("beep"); }
    void click(double n) override
    {
        std::ostringstream entry;
        entry << "click " << n;
        log_.entries.push_back(entry.str());
    }

private:
    CueLog& log_;
};

// The shipped braille table, read from the source tree.
inline input::BrailleTables shippedBrailleTable()
{
    std::ifstream file(TOVANA_SOURCE_DATA_DIR "/czech.ebt", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    input::BrailleTables tables;
    input::parseBrailleTable(bytes, tables);
    return tables;
}

} // namespace tov::testing
