// The small adapters that join the speech layer to the units that use it without knowing
// it: the key names it reads from the keyboard's tables, the speech the keyboard's windows
// use, and the sound statement it plays its cues through (whichever the console has).
#pragma once

#include "input/brailletables.h"
#include "input/inputspeech.h"
#include "runtime/tovcommands.h"
#include "speech/speechlayer.h"

namespace tov::shell {

class TableKeyNames final : public speech::KeyNameLookup {
public:
    std::string keyname(uint8_t code) const override
    {
        return std::string(input::brailleTables().keyname(code));
    }
};

class LayerInputSpeech final : public input::InputSpeech {
public:
    explicit LayerInputSpeech(speech::SpeechLayer& layer) : layer_(layer) {}
    void say(const std::string& text) override { layer_.say(text); }
    void saynowait(const std::string& text) override { layer_.saynowait(text); }
    void stopspeech() override { layer_.stopspeech(); }
    void echokey(const std::string& text) override { layer_.echokey(text); }
    bool engineready() const override { return layer_.state().engineready; }

private:
    speech::SpeechLayer& layer_;
};

// The console's current sound statement: the main window installs its cues only while it
// is being created, after the speech layer already exists.
class ConsoleSounds final : public runtime::SoundStatement {
public:
    explicit ConsoleSounds(runtime::Console& console) : console_(console) {}
    void sound(std::span<const double> tones, double soundnumber, double duration) override
    {
        console_.sound(tones, soundnumber, duration);
    }
    void beep() override { console_.host().sounds->beep(); }
    void click(double n) override { console_.host().sounds->click(n); }

private:
    runtime::Console& console_;
};

} // namespace tov::shell
