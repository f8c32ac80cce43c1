// The stand-in hosts of host.h.
#include "runtime/host.h"

#include "common/text.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tov::runtime {
namespace {

class SilentSpeech final : public Speech {
public:
    void say(const std::string&) override {}
    void saynowait(const std::string&) override {}
    void stopspeech() override {}
    void saykeyname(const std::string&) override {}
    bool engineready() const override { return false; }
};

class ClosedDialog final : public InputDialog {
public:
    void setEditText(const std::string& text) override { text_ = text; }
    void activateEdit() override {}
    DialogResult showModal() override { return DialogResult::Closed; }
    std::string editText() const override { return text_; }

private:
    std::string text_;
};

class StderrProcess final : public ProcessControl {
public:
    void showMessage(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", text::toUtf8(text).c_str());
    }
    [[noreturn]] void endProcess() override
    {
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
};

class SleepingPauser final : public Pauser {
public:
    void pause(std::chrono::milliseconds duration) override
    {
        std::this_thread::sleep_for(duration);
    }
};

class SilentSounds final : public SoundStatement {
public:
    void sound(std::span<const double>, double, double) override {}
    void beep() override {}
    void click(double) override {}
};

} // namespace

SoundStatement& silentSounds()
{
    static SilentSounds sounds;
    return sounds;
}

Speech& silentSpeech()
{
    static SilentSpeech speech;
    return speech;
}

InputDialog& closedDialog()
{
    static ClosedDialog dialog;
    return dialog;
}

ProcessControl& stderrProcess()
{
    static StderrProcess process;
    return process;
}

Pauser& sleepingPauser()
{
    static SleepingPauser pauser;
    return pauser;
}

} // namespace tov::runtime
