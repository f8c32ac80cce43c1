// Measures the speech paths and prints the figures (a program, not a test):
//   1. espeak-ng: TextData to the first audio sample, rendered through the loopback device
//      in 1 ms periods paced in real time, as a sound card with a 1 ms period would play;
//   2. espeak-ng: AudioReset to silence (the call itself, and the audio rendered after it);
//   3. espeak-ng: CPU of the whole process during `say` of a long text, on OpenAL's null
//      device playing in real time (set ALSOFT_DRIVERS=null);
//   4. speech-dispatcher (private PulseAudio null sink): Speak to the first non-zero sample
//      recorded from the sink's monitor, and Speak to the start-of-stream event on the GUI
//      thread.
#include "common/profile.h"
#include "common/text.h"
#include "doubles/doubles.h"
#include "private_services.h"
#include "sound/audiodevice.h"
#include "speech/engines.h"
#include "speech/espeakengine.h"
#include "speech/qtguithread.h"
#include "speech/speechdvoice.h"
#include "speech/speechlayer.h"
#include "speech/threadqueue.h"
#include "speech/voiceselection.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace tov;
using namespace tov::speech;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr size_t kPeriodFrames = kRate / 1000;
constexpr int kRounds = 20;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
    std::vector<double> values;
    void add(double v) { values.push_back(v); }
    double median()
    {
        std::sort(values.begin(), values.end());
        return values.empty() ? NAN : values[values.size() / 2];
    }
    double max() const
    {
        return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
    }
};

bool audible(const std::vector<float>& block)
{
    return std::any_of(block.begin(), block.end(),
                       [](float s) { return std::fabs(s) >= 1.0f / 32768; });
}

class Sink final : public sapi4::ITTSNotifySinkA {
public:
    sapi4::HRESULT AttribChanged(uint32_t) override { return sapi4::S_OK; }
    sapi4::HRESULT AudioStart(uint64_t) override { return sapi4::S_OK; }
    sapi4::HRESULT AudioStop(uint64_t) override { return sapi4::S_OK; }
    sapi4::HRESULT Visual(uint64_t, char, char, uint32_t) override { return sapi4::S_OK; }
};

std::shared_ptr<sapi4::ITTSCentralA>
selectCzech(sapi4::ITTSEnumA& enumerator,
            const std::shared_ptr<sapi4::IAudioMultiMediaDevice>& audio)
{
    sapi4::TTSMODEINFOA record;
    uint32_t fetched = 0;
    enumerator.Reset();
    enumerator.Next(1, &record, &fetched); // Czech is listed first
    std::shared_ptr<sapi4::ITTSCentralA> central;
    sapi4::olecheck(enumerator.Select(record.gModeID, central, audio));
    return central;
}

void textdata(sapi4::ITTSCentralA& central, const std::string& text)
{
    sapi4::olecheck(central.TextData(sapi4::CHARSET_TEXT, 0,
                                     {text.c_str(), static_cast<uint32_t>(text.size() + 1)},
                                     nullptr, sapi4::IID_ITTSBufNotifySink));
}

void espeakLatencies()
{
    auto device = sound::AudioDevice::acquireLoopback(kRate);
    ThreadEventQueue queue;
    auto enumerator = espeak::createEnumerator(queue);
    auto central = selectCzech(*enumerator, espeak::audioDestinationOn(device));
    std::vector<float> block(kPeriodFrames * 2);
    Figures first;
    Figures resetCall;
    Figures resetAudio;
    const std::string sentence = text::fromUtf8("Stojíš na kraji lesa, před tebou je cesta.");
    for (int round = 0; round <= kRounds; ++round) {
        const auto began = Clock::now();
        textdata(*central, sentence);
        auto period = began;
        do {
            period += 1ms;
            std::this_thread::sleep_until(period);
            device->render(block);
        } while (!audible(block) && Clock::now() - began < 2s);
        const double latency = ms(Clock::now() - began);
        for (int i = 0; i < 200; ++i) { // 200 ms into the sentence
            device->render(block);
        }
        const auto resetAt = Clock::now();
        central->AudioReset();
        const double call = ms(Clock::now() - resetAt);
        int audiblePeriods = 0;
        for (int i = 0; i < 100; ++i) {
            device->render(block);
            audiblePeriods += audible(block) ? 1 : 0;
        }
        queue.processPending();
        if (round > 0) { // the first round loads the voice
            first.add(latency);
            resetCall.add(call);
            resetAudio.add(audiblePeriods);
        }
    }
    // How much of that is espeak-ng's own silence at the start of the sentence.
    size_t leading = 0;
    bool found = false;
    espeak::Library::acquire()->synthesize({"Czech"}, text::toUtf8(sentence),
                                           [&](std::span<const int16_t> chunk) {
                                               for (const int16_t v : chunk) {
                                                   if (v != 0) {
                                                       found = true;
                                                       return false;
                                                   }
                                                   ++leading;
                                               }
                                               return true;
                                           });
    const double silence =
        found ? 1000.0 * static_cast<double>(leading) / espeak::Library::acquire()->sampleRate()
              : NAN;
    std::printf("espeak-ng  TextData -> first audio sample: median %.2f ms, max %.2f ms "
                "(%d runs, 1 ms periods); of which the voice's own leading silence %.2f ms\n",
                first.median(), first.max(), kRounds, silence);
    std::printf("espeak-ng  AudioReset call: median %.3f ms, max %.3f ms; audio after it: "
                "max %.0f ms\n",
                resetCall.median(), resetCall.max(), resetAudio.max());
}

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void espeakSayCpu()
{
    tov::testing::TempDir dir;
    const Profile profile(dir.path() / "tovana.ini");
    QtGuiPoster poster;
    QtEventQueue queue;
    tov::testing::RecordingSounds sounds;
    SpeechLayer speech({queue, sounds, profile}, espeakEngines(poster),
                       speechDispatcherVoice(poster));
    speech.initspeech();
    if (!speech.voicesavailable()) {
        std::printf("espeak-ng  say: no audio device (run with ALSOFT_DRIVERS=null)\n");
        return;
    }
    speech.setSpeechAllowed(true);
    speech.createnotifysink();
    // The Czech voice (listed first), selected as Start selects a voice.
    tov::testing::RecordingProcess process;
    VoiceSelection selection(speech, process);
    selection.fillvoicelist();
    speech.voiceSettings().choose(0);
    selection.voicelistClick();
    selection.selectengine();

    std::string text;
    for (int i = 0; i < 6; ++i) {
        text += "Jsi v malé místnosti. Na stole leží dopis a vedle něj stará lampa. ";
    }
    text = text::fromUtf8(text);
    const double cpuBefore = processCpuSeconds();
    const double waitBefore = threadCpuSeconds();
    const auto began = Clock::now();
    speech.say(text);
    const double wall = std::chrono::duration<double>(Clock::now() - began).count();
    const double cpu = processCpuSeconds() - cpuBefore;
    const double wait = threadCpuSeconds() - waitBefore;
    std::printf("espeak-ng  say of %zu characters: %.1f s spoken; CPU of the process %.2f %% of "
                "one core, of the waiting GUI thread %.3f %%\n",
                text.size(), wall, 100.0 * cpu / wall, 100.0 * wait / wall);

    // OpenAL's own share: the same device mixing one playing source, without speech.
    const auto device = sound::AudioDevice::acquire();
    sound::AudioSource source = device->createSource();
    sound::AudioBuffer buffer = device->createBuffer();
    const std::vector<int16_t> quiet(22050 * 2, 0);
    alBufferData(buffer.id(), AL_FORMAT_STEREO16, quiet.data(),
                 static_cast<ALsizei>(quiet.size() * sizeof(int16_t)), 22050);
    alSourcei(source.id(), AL_BUFFER, static_cast<ALint>(buffer.id()));
    alSourcei(source.id(), AL_LOOPING, AL_TRUE);
    alSourcePlay(source.id());
    const double mixBefore = processCpuSeconds();
    std::this_thread::sleep_for(5s);
    const double mix = processCpuSeconds() - mixBefore;
    alSourceStop(source.id());
    alSourcei(source.id(), AL_BUFFER, 0);
    std::printf("           OpenAL's null device mixing one source alone: %.2f %% of one core\n",
                100.0 * mix / 5.0);
}

// Records the null sink's monitor and notes when the first non-zero sample arrives.
class MonitorRecorder {
public:
    MonitorRecorder()
    {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            execlp("parec", "parec", "-d", "null.monitor", "--raw", "--format=s16le",
                   "--rate=44100", "--channels=1", "--latency-msec=2", nullptr);
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
        reader_ = std::thread([this] { read(); });
    }
    ~MonitorRecorder()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable()) {
            reader_.join();
        }
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    void arm()
    {
        heard_ = 0;
        armed_ = true;
    }
    // When the first audible sample came after arm(), if it did.
    std::optional<Clock::time_point> heard() const
    {
        const auto at = heard_.load();
        if (at == 0) {
            return std::nullopt;
        }
        return Clock::time_point(Clock::duration(at));
    }

private:
    void read()
    {
        int16_t samples[256];
        while (true) {
            const ssize_t got = ::read(fd_, samples, sizeof samples);
            if (got <= 0) {
                return;
            }
            if (!armed_ || heard_.load() != 0) {
                continue;
            }
            for (ssize_t i = 0; i < got / 2; ++i) {
                if (std::abs(samples[i]) > 8) {
                    heard_ = Clock::now().time_since_epoch().count();
                    break;
                }
            }
        }
    }

    pid_t pid_ = -1;
    int fd_ = -1;
    std::atomic<bool> armed_{false};
    std::atomic<Clock::rep> heard_{0};
    std::thread reader_;
};

void speechDispatcherLatency()
{
    tov::speech::testing::PrivateSpeechServices services;
    if (!services.ready()) {
        std::printf("speech-dispatcher: %s\n", services.problem().c_str());
        return;
    }
    QtGuiPoster poster;
    QtEventQueue queue;
    sapi5::TSpVoice voice(speechd::connector(poster));
    Clock::time_point started{};
    int ends = 0;
    voice.OnStartStream = [&](int32_t) { started = Clock::now(); };
    voice.OnEndStream = [&](int32_t) { ++ends; };
    voice.setEventInterests(sapi5::SVEAllEvents);
    MonitorRecorder recorder;
    std::this_thread::sleep_for(500ms); // the recorder is connected and the sink idle

    Figures sample;
    Figures event;
    constexpr int kSpeechdRounds = 8;
    for (int round = 0; round <= kSpeechdRounds; ++round) {
        recorder.arm();
        started = {};
        const int endsBefore = ends;
        const auto began = Clock::now();
        voice.Speak(text::toUtf8(text::fromUtf8("Stojíš na kraji lesa.")), 1);
        const auto limit = began + 10s;
        while (ends == endsBefore && Clock::now() < limit) {
            queue.processUntil([&] { return ends != endsBefore; }, limit);
        }
        std::this_thread::sleep_for(300ms); // let the sink fall silent again
        const auto heard = recorder.heard();
        if (round > 0 && heard && started != Clock::time_point{}) {
            sample.add(ms(*heard - began));
            event.add(ms(started - began));
        }
    }
    std::printf("speech-dispatcher  Speak -> first audio sample at the null sink: median %.1f "
                "ms, max %.1f ms (%zu runs)\n",
                sample.median(), sample.max(), sample.values.size());
    std::printf("speech-dispatcher  Speak -> start-of-stream event on the GUI thread: median "
                "%.1f ms, max %.1f ms\n",
                event.median(), event.max());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    espeakLatencies();
    espeakSayCpu();
    speechDispatcherLatency();
    return 0;
}
