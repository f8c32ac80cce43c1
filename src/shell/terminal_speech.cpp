// The terminal's speech: the layer and its engines on the terminal's thread, and the line
// reader.
#include "shell/terminal_speech.h"

#include "common/profile.h"
#include "shell/settings.h"
#include "speech/engines.h"

namespace tov::shell {
namespace {

// A bound for one pass of the line wait; it only lets the loop look again, nothing ends.
constexpr std::chrono::hours kLineWaitPass{1};

} // namespace

// --- lines ---

LineReader::LineReader(speech::GuiPoster& poster, ReadLine read,
                       std::function<void(std::string line)> arrived, std::function<void()> ended)
{
    thread_ = std::thread(
        [&poster, read = std::move(read), arrived = std::move(arrived), ended = std::move(ended)] {
            std::string line;
            while (read(line)) {
                poster.post([arrived, line] { arrived(line); });
            }
            poster.post(ended);
        });
}

LineReader::~LineReader()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

void QueuedLines::arrived(std::string line)
{
    if (interrupts_ == Interrupts::Yes && stop_) {
        stop_();
    }
    lines_.push_back(std::move(line));
}

bool QueuedLines::next(std::string& line)
{
    while (lines_.empty() && !ended_) {
        queue_.processUntil([this] { return !lines_.empty() || ended_; },
                            queue_.now() + kLineWaitPass);
    }
    if (lines_.empty()) {
        return false;
    }
    line = std::move(lines_.front());
    lines_.pop_front();
    return true;
}

// --- the layer ---

TerminalSpeech::TerminalSpeech(const Profile& profile, runtime::SoundStatement& sounds,
                               runtime::ProcessControl& process)
    : profile_(profile), layer_({queue_, sounds, profile}, speech::espeakEngines(queue_),
                                speech::speechDispatcherVoice(queue_)),
      selection_(layer_, process)
{
}

bool TerminalSpeech::start()
{
    layer_.initspeech();
    // The sink the voice dialog's creation makes in the window: without it no engine
    // would report its audio, and `say` would not wait.
    layer_.createnotifysink();
    const GeneralSettings settings = readsettings(profile_, layer_.voicesavailable());
    layer_.setSpeechAllowed(settings.voiceallowed);
    layer_.usesavedengine();
    if (layer_.usesSpeechDispatcher()) {
        return true; // speech-dispatcher speaks whatever "voiceallowed" says
    }
    if (!layer_.isSpeechAllowed()) {
        return false;
    }
    selection_.fillvoicelist();
    selection_.preparevoice();
    return layer_.engineready();
}

} // namespace tov::shell
