// The console's current sound statement, for the speech layer: the main window installs its
// cues only while it is being created, after the speech layer already exists.
#pragma once

#include "runtime/tovcommands.h"

namespace tov::shell {

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
