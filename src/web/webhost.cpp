// The console's hosts over the page, and the run of the program.
#include "web/webhost.h"

#include "common/localizer.h"
#include "common/text.h"
#include "runtime/soundcues.h"
#include "runtime/transcript.h"
#include "shell/runcontrol.h"
#include "shell/settings.h"
#include "sound/sounddevice.h"
#include "web/pagebridge.h"
#include "web/webaudio.h"

#include <emscripten.h>

#include <exception>
#include <functional>
#include <string>

namespace tov::web {
namespace {

WebHost* theHost = nullptr;

// The page's own voice, or silence while the player's screen reader speaks (the page
// decides which).
class PageSpeech final : public runtime::Speech {
public:
    void say(const std::string& text) override
    {
        if (!text.empty()) {
            page::say(text::toUtf8(text));
        }
    }
    void saynowait(const std::string& text) override { page::sayNoWait(text::toUtf8(text)); }
    void stopspeech() override { page::stopSpeech(); }
    void saykeyname(const std::string& name) override { page::sayKeyName(text::toUtf8(name)); }
    bool engineready() const override { return page::engineReady(); }
};

// INPUT's dialog: the page's one edit field, which stays on the page between commands.
class PageDialog final : public runtime::InputDialog {
public:
    void setEditText(const std::string& text) override { text_ = text; }
    void activateEdit() override {}
    runtime::DialogResult showModal() override
    {
        const std::optional<std::string> line = page::readLine(text::toUtf8(text_));
        if (!line) {
            return runtime::DialogResult::Closed;
        }
        text_ = text::fromUtf8(*line);
        return runtime::DialogResult::Ok;
    }
    std::string editText() const override { return text_; }

private:
    std::string text_; //: Windows-1250, as the console hands it over
};

// A fatal stop of the program ends this page's run: the page says so and offers a reload.
class PageProcess final : public runtime::ProcessControl {
public:
    void showMessage(const std::string& text) override { page::showMessage(text::toUtf8(text)); }
    [[noreturn]] void endProcess() override
    {
        page::programEnded(EXIT_FAILURE);
        emscripten_force_exit(EXIT_FAILURE);
        std::abort(); // not reached: the forced exit unwinds out of the module
    }
};

// The program's pauses let the page go on (keys, drawing) while they last.
class PagePauser final : public runtime::Pauser {
public:
    void pause(std::chrono::milliseconds duration) override
    {
        page::sleep(static_cast<int>(duration.count()));
    }
};

// Follows the print channel onto the page: the screen drawn again at each PRINT, and
// each line of the answer handed to the followed region once, when it ends. It reads the
// answer record, so it is told after the record.
class PageScreen final : public runtime::PrintObserver {
public:
    PageScreen(const runtime::Console& console, const runtime::AnswerRecord& answers)
        : console_(console), answers_(answers)
    {
    }

    void printed(const runtime::PrintedText& /*printed*/) override
    {
        std::string lines;
        for (const std::string& line : console_.screen().lines()) {
            lines += text::toUtf8(line);
            lines += '\n';
        }
        page::showScreen(lines);
        const std::vector<std::string>& current = answers_.current().lines;
        for (; told_ < current.size(); ++told_) {
            page::answerLine(text::toUtf8(current[told_]));
        }
    }
    void inputStarted() override
    {
        told_ = 0;
        page::answerEnded();
        if (firstWait_) {
            const std::function<void()> once = std::move(firstWait_);
            firstWait_ = nullptr;
            once();
        }
    }
    void inputEnded(std::string_view /*line*/) override { told_ = 0; }
    // Runs once, when INPUT first waits: the opening has been printed by then.
    void atFirstWait(std::function<void()> work) { firstWait_ = std::move(work); }

private:
    const runtime::Console& console_;
    const runtime::AnswerRecord& answers_;
    size_t told_ = 0; //: lines of the current answer the page has
    std::function<void()> firstWait_;
};

// The first visit's question, in the interface's language: true for the page's own voice.
bool askHowHeard()
{
    return page::askHearing(text::toUtf8(message(Message::HearingQuestion)),
                            text::toUtf8(message(Message::PageVoice)),
                            text::toUtf8(message(Message::ScreenReader)));
}

} // namespace

std::filesystem::path locateFile(const std::string& name)
{
    if (name == runtime::kMemoryImageFile || name == runtime::kTranscriptFile) {
        return std::filesystem::path(kUserFolder) / name;
    }
    return std::filesystem::path(kDataFolder) / name;
}

struct WebHost::Hosts {
    PageSpeech speech;
    PageDialog dialog;
    PageProcess process;
    PagePauser pauser;
    PageScreen screen;
    PageSoundWait wait;
    sound::TSoundDevice device{openWebAudioPlatform};
    sound::TWaveList wavelist;
    runtime::SoundCues cues;

    Hosts(const runtime::Console& console, const runtime::AnswerRecord& answers,
          runtime::SoundStatementState& state)
        : screen(console, answers), cues(wavelist.Waves(), state, wait)
    {
    }
};

WebHost::WebHost() : profile_(kSettingsFile)
{
    theHost = this;
    readlanguage(profile_);
    // The first visit asks how the page is heard and writes the answer, as the desktop's
    // first start writes whether it found a voice; every visit then tells the page.
    const bool firstVisit = !profile_.exists();
    const bool ownVoice = shell::readsettings(profile_, firstVisit && askHowHeard()).voiceallowed;
    if (firstVisit) {
        page::persistUserFiles();
    }
    page::hearingChosen(ownVoice);
    console_.setlocator(locateFile);
    hosts_ = std::make_unique<Hosts>(console_, answers_, console_.soundstate());
    Hosts& hosts = *hosts_;
    console_.loadmemoryimage();

    // Sounds play once the page's audio opens; without it they are silent and `sound`
    // still keeps the program's rhythm. Making the bank's buffers in Web Audio takes a
    // good part of the page's start, and the opening plays no sound: the audio opens when
    // the program first waits for a command, so the opening's first line comes sooner.
    hosts.wavelist.setdevice(&hosts.device);
    hosts.screen.atFirstWait([&hosts] {
        try {
            hosts.device.initsound();
        } catch (const std::exception&) {
        }
    });
    hosts.cues.settings() = shell::readsettings(profile_).sounds;
    runtime::loadsounds(hosts.wavelist.Waves(), hosts.process,
                        locateFile(runtime::kSoundBankFile).parent_path());

    runtime::ConsoleHost host;
    host.speech = &hosts.speech;
    host.dialog = &hosts.dialog;
    host.process = &hosts.process;
    host.pauser = &hosts.pauser;
    host.sounds = &hosts.cues;
    host.observers.push_back(&answers_); // before the page, which reads its answers
    host.observers.push_back(&hosts.screen);
    console_.setHost(std::move(host));
}

WebHost::~WebHost()
{
    theHost = nullptr;
}

void WebHost::saveMemoryImage()
{
    try {
        console_.savememoryimage();
    } catch (const std::exception& error) {
        page::showMessage(text::toUtf8(error.what()));
    }
    page::persistUserFiles();
}

runtime::SoundCues& WebHost::soundCues()
{
    return hosts_->cues;
}

void WebHost::endSoundWait()
{
    hosts_->wait.endwait();
}

void WebHost::run()
{
    while (true) {
        page::waitForStart();
        try {
            shell::runBuiltInProgram(console_, [] {});
        } catch (const std::exception& error) {
            page::showMessage(text::toUtf8(error.what()));
        }
        saveMemoryImage();
        page::runEnded();
    }
}

WebHost* current()
{
    return theHost;
}

} // namespace tov::web

int main()
{
    try {
        static tov::web::WebHost host;
        host.run();
    } catch (const std::exception& error) {
        tov::web::page::showMessage(tov::text::toUtf8(error.what()));
        tov::web::page::programEnded(EXIT_FAILURE);
    }
    return EXIT_FAILURE;
}
