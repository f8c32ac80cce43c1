// The terminal's speech: the layer and its engines on the terminal's thread, the line
// reader, and the voice dialog's controls as plain values.
#include "shell/terminal_speech.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "shell/settings.h"
#include "speech/engines.h"

#include <algorithm>
#include <vector>

namespace tov::shell {
namespace {

// A bound for one pass of the line wait; it only lets the loop look again, nothing ends.
constexpr std::chrono::hours kLineWaitPass{1};

class PlainList final : public speech::ListBox {
public:
    int count() const override { return static_cast<int>(lines_.size()); }
    std::string line(int index) const override
    {
        return index >= 0 && index < count() ? lines_[static_cast<size_t>(index)] : std::string();
    }
    void append(const std::string& text) override { lines_.push_back(text); }
    int itemindex() const override { return index_; }
    void setItemindex(int index) override { index_ = index; }

private:
    std::vector<std::string> lines_;
    int index_ = -1;
};

// Behaves as the dialog's slider: a range that excludes the position moves it, and every
// move runs the change handler (which resets the engine and injects the tag).
class PlainTrackBar final : public speech::TrackBar {
public:
    int Min() const override { return min_; }
    int Max() const override { return max_; }
    int Position() const override { return position_; }
    void setMin(int value) override
    {
        min_ = value;
        max_ = std::max(max_, value);
        setPosition(position_);
    }
    void setMax(int value) override
    {
        max_ = value;
        min_ = std::min(min_, value);
        setPosition(position_);
    }
    void setPosition(int value) override
    {
        value = std::clamp(value, min_, max_);
        if (value != position_) {
            position_ = value;
            if (onChange) {
                onChange();
            }
        }
    }
    void setFrequency(int) override {}
    void setEnabled(bool) override {}

    std::function<void()> onChange;

private:
    // The dialog's design range until an engine is selected.
    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
};

class PlainCaption final : public speech::Captioned {
public:
    explicit PlainCaption(int number) : number_(number) {}
    std::string caption() const override { return message(number_); }
    void setEnabled(bool) override {}

private:
    int number_;
};

} // namespace

// --- lines ---

LineReader::LineReader(speech::GuiPoster& poster, ReadLine read,
                       std::function<void(std::string line)> arrived, std::function<void()> ended)
{
    thread_ = std::thread([&poster, read = std::move(read), arrived = std::move(arrived),
                           ended = std::move(ended)] {
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

// --- the voice dialog's controls ---

struct HeadlessVoiceView::Controls {
    PlainList voicelist;
    PlainTrackBar pitchtb;
    PlainTrackBar speedtb;
    PlainTrackBar volumetb;
    // The captions the dialog would show, fetched as it fetches them.
    PlainCaption voicestatic{12};
    PlainCaption pitchstatic{13};
    PlainCaption speedstatic{14};
    PlainCaption volumestatic{15};
    PlainCaption vyberhlasbitbtn{16};
    PlainCaption closebitbtn{17};
};

HeadlessVoiceView::HeadlessVoiceView() : controls_(std::make_unique<Controls>()) {}
HeadlessVoiceView::~HeadlessVoiceView() = default;

speech::ListBox& HeadlessVoiceView::voicelist() { return controls_->voicelist; }
speech::TrackBar& HeadlessVoiceView::pitchtb() { return controls_->pitchtb; }
speech::TrackBar& HeadlessVoiceView::speedtb() { return controls_->speedtb; }
speech::TrackBar& HeadlessVoiceView::volumetb() { return controls_->volumetb; }
speech::Captioned& HeadlessVoiceView::voicestatic() { return controls_->voicestatic; }
speech::Captioned& HeadlessVoiceView::pitchstatic() { return controls_->pitchstatic; }
speech::Captioned& HeadlessVoiceView::speedstatic() { return controls_->speedstatic; }
speech::Captioned& HeadlessVoiceView::volumestatic() { return controls_->volumestatic; }
speech::Captioned& HeadlessVoiceView::vyberhlasbitbtn() { return controls_->vyberhlasbitbtn; }
speech::Captioned& HeadlessVoiceView::closebitbtn() { return controls_->closebitbtn; }

void HeadlessVoiceView::connect(speech::VoiceSelection& selection)
{
    controls_->pitchtb.onChange = [&selection] { selection.pitchtbChange(); };
    controls_->speedtb.onChange = [&selection] { selection.speedtbChange(); };
    controls_->volumetb.onChange = [&selection] { selection.volumetbChange(); };
}

// --- the layer ---

TerminalSpeech::TerminalSpeech(const Profile& profile, runtime::SoundStatement& sounds,
                               runtime::ProcessControl& process)
    : profile_(profile),
      layer_({queue_, sounds, keynames_, profile}, speech::espeakEngines(queue_),
             speech::speechDispatcherVoice(queue_)),
      selection_(layer_, view_, process)
{
    view_.connect(selection_);
}

bool TerminalSpeech::start()
{
    speech::SpeechState& state = layer_.state();
    layer_.initspeech();
    // The sink the voice dialog's creation makes in the window: without it no engine
    // would report its audio, and `say` would not wait.
    layer_.createnotifysink();
    bool usesapi5 = false;
    readsettings(profile_, {.voiceallowed = &state.voiceallowed, .usesapi5 = &usesapi5},
                 layer_.voicesavailable());
    layer_.useengine(usesapi5);
    if (usesapi5) {
        return true; // speech-dispatcher speaks whatever "voiceallowed" says
    }
    if (!state.voiceallowed) {
        return false;
    }
    selection_.fillvoicelist();
    selection_.preparevoice();
    return state.engineready;
}

} // namespace tov::shell
