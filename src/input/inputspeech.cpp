// The silent speech of windows that have not been wired yet.
#include "input/inputspeech.h"

namespace tov::input {
namespace {

class SilentSpeech final : public InputSpeech {
public:
    void say(const std::string&) override {}
    void saynowait(const std::string&) override {}
    void stopspeech() override {}
    void echokey(const std::string&) override {}
    bool engineready() const override { return false; }
};

} // namespace

InputSpeech& silentInputSpeech()
{
    static SilentSpeech speech;
    return speech;
}

} // namespace tov::input
