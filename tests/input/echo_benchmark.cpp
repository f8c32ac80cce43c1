// Measures the echo of a key in the input dialog, from the key press to the first sample
// the audio device gets, and from a key press to silence, with espeak-ng synthesising and
// an OpenAL loopback device standing for the sound card.
//
// The key events are real (QTest presses on the dialog's line, braille chords and ordinary
// keys); the dialog, the chord keyboard and the key-name table are the program's own. The
// speech side is a small echo over espeak-ng written here, as the speech layer would feed
// the engine: synthesis in the engine's synchronous mode, each chunk queued on one
// streaming source as soon as it is made. A loopback device has no output latency, so a
// sound card adds its own buffer on top of the first figure; the leading silence that the
// engine puts before the first sound is reported apart.
//
//   input_echo_benchmark [runs]     (default 40 runs of each measurement)
#include "common/localizer.h"
#include "common/text.h"
#include "input/tableloaders.h"
#include "input/tform2.h"
#include "sound/audiodevice.h"

#include <AL/al.h>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tov::input::BrailleTables;

constexpr int kDeviceRate = 44100;
constexpr size_t kRenderFrames = 64;
constexpr float kAudible = 1e-4f;

bool audible(std::span<const float> frames)
{
    return std::any_of(frames.begin(), frames.end(),
                       [](float s) { return std::fabs(s) > kAudible; });
}

class EspeakEcho final : public tov::input::InputSpeech {
public:
    EspeakEcho(tov::sound::AudioDevice& device, const BrailleTables& tables)
        : device_(device), tables_(tables), source_(device.createSource())
    {
        rate_ = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 20, nullptr, 0);
        if (rate_ <= 0) {
            throw std::runtime_error("espeak-ng cannot be initialised");
        }
        espeak_SetSynthCallback(&EspeakEcho::chunk);
        espeak_SetVoiceByName("cs");
    }
    ~EspeakEcho() override
    {
        stopspeech();
        espeak_Terminate();
    }

    void say(const std::string& text) override { speak(text); }
    void saynowait(const std::string& text) override { speak(text); }
    void echokey(const std::string& text) override
    {
        if (!text.empty()) {
            speak(std::string(tables_.keyname(static_cast<uint8_t>(text[0]))));
        }
    }
    void stopspeech() override
    {
        alSourceStop(source_.id());
        alSourcei(source_.id(), AL_BUFFER, 0);
        buffers_.clear();
    }
    bool engineready() const override { return true; }

    // Armed before a key press: the next chunk's arrival, and its first audible sample.
    void arm()
    {
        pressed_ = Clock::now();
        firstChunk_.reset();
        samples_ = 0;
        leadingSilence_ = 0;
        audibleAt_.reset();
    }
    std::optional<Clock::duration> firstChunk_; //: key press to the first queued chunk
    size_t leadingSilence_ = 0;                 //: engine samples before the first sound
    std::optional<Clock::duration> audibleAt_;  //: key press to the first audible render
    size_t samples_ = 0;                        //: engine samples of the latest echo
    int rate() const { return rate_; }

private:
    void speak(const std::string& cp1250)
    {
        const std::string utf8 = tov::text::toUtf8(cp1250);
        espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                     this);
    }

    static int chunk(short* wav, int count, espeak_EVENT* events)
    {
        auto* self = static_cast<EspeakEcho*>(events->user_data);
        if (wav != nullptr && count > 0) {
            self->queue(std::span<const short>(wav, static_cast<size_t>(count)));
        }
        return 0;
    }

    void queue(std::span<const short> samples)
    {
        if (!firstChunk_) {
            firstChunk_ = Clock::now() - pressed_;
        }
        samples_ += samples.size();
        if (!audibleAt_) {
            const auto loud = std::find_if(samples.begin(), samples.end(),
                                           [](short s) { return std::abs(s) > 3; });
            leadingSilence_ += static_cast<size_t>(loud - samples.begin());
        }
        tov::sound::AudioBuffer buffer = device_.createBuffer();
        alBufferData(buffer.id(), AL_FORMAT_MONO16, samples.data(),
                     static_cast<ALsizei>(samples.size_bytes()), rate_);
        const ALuint id = buffer.id();
        alSourceQueueBuffers(source_.id(), 1, &id);
        buffers_.push_back(std::move(buffer));
        ALint state = 0;
        alGetSourcei(source_.id(), AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) {
            alSourcePlay(source_.id());
        }
        // The sound card takes the chunk now: render what it would play until it sounds.
        std::vector<float> frames(kRenderFrames * 2);
        while (!audibleAt_) {
            alGetSourcei(source_.id(), AL_SOURCE_STATE, &state);
            if (state != AL_PLAYING) {
                break;
            }
            device_.render(frames);
            if (audible(frames)) {
                audibleAt_ = Clock::now() - pressed_;
            }
        }
    }

    tov::sound::AudioDevice& device_;
    const BrailleTables& tables_;
    tov::sound::AudioSource source_;
    std::vector<tov::sound::AudioBuffer> buffers_;
    int rate_ = 0;
    Clock::time_point pressed_;
};

struct Figures {
    std::vector<double> ms;
    void add(Clock::duration d)
    {
        ms.push_back(std::chrono::duration<double, std::milli>(d).count());
    }
    void print(const char* what) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.empty()) {
            std::printf("%-52s no measurement\n", what);
            return;
        }
        std::printf("%-52s median %6.2f ms  p90 %6.2f ms  max %6.2f ms  (n=%zu)\n", what,
                    sorted[sorted.size() / 2], sorted[sorted.size() * 9 / 10], sorted.back(),
                    sorted.size());
    }
};

std::string fileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    BrailleTables& tables = tov::input::brailleTables();
    tov::input::parseBrailleTable(fileBytes(TOVANA_SOURCE_DATA_DIR "/czech.ebt"), tables);
    tov::input::parseKeyNames(fileBytes(TOVANA_SOURCE_DATA_DIR "/czech.eky"), tables);

    auto device = tov::sound::AudioDevice::acquireLoopback(kDeviceRate);
    EspeakEcho speech(*device, tables);
    tov::input::KeyboardState state;
    tov::input::TForm2 dialog([] {});
    dialog.setHosts({&speech, &tov::runtime::silentSounds(), &state, &tables, {}});
    dialog.activateEdit();
    dialog.show();
    if (!QTest::qWaitForWindowActive(&dialog)) {
        std::fputs("the dialog did not become active\n", stderr);
        return 1;
    }
    QLineEdit* edit = dialog.inputedit();

    Figures chunkBraille, audibleBraille, chunkPlain, audiblePlain, silence;
    std::vector<double> leading;
    for (int run = 0; run < runs; ++run) {
        // A braille chord: F held, "a" previewed and its name spoken.
        state.braillekeys = true;
        speech.arm();
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_F, "f", Qt::NoModifier);
        if (speech.firstChunk_) {
            chunkBraille.add(*speech.firstChunk_);
        }
        if (speech.audibleAt_) {
            audibleBraille.add(*speech.audibleAt_);
            leading.push_back(1000.0 * static_cast<double>(speech.leadingSilence_) / speech.rate());
        }
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_F, "f", Qt::NoModifier);
        if (run == 0) {
            std::printf("echo of chord F: \"%s\", %.0f ms of audio at %d Hz; line now \"%s\"\n",
                        tov::text::toUtf8(tables.keyname('a')).c_str(),
                        1000.0 * static_cast<double>(speech.samples_) / speech.rate(),
                        speech.rate(), edit->text().toUtf8().constData());
        }
        speech.stopspeech();

        // An ordinary key with braille mode off: "x" echoed through the layout.
        state.braillekeys = false;
        speech.arm();
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_X, "x", Qt::NoModifier);
        if (speech.firstChunk_) {
            chunkPlain.add(*speech.firstChunk_);
        }
        if (speech.audibleAt_) {
            audiblePlain.add(*speech.audibleAt_);
        }
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_X, "x", Qt::NoModifier);
        edit->clear();

        // A long line playing, then Shift pressed: how soon the device renders silence.
        speech.saynowait("Jsi v podzemn\xED chodb\xEC, kter\xE1 vede na sever a na jih.");
        std::vector<float> frames(kRenderFrames * 2);
        device->render(frames);
        const Clock::time_point pressed = Clock::now();
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_Shift, QString(), Qt::NoModifier);
        do {
            device->render(frames);
        } while (audible(frames) && Clock::now() - pressed < std::chrono::seconds(1));
        silence.add(Clock::now() - pressed);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_Shift, QString(), Qt::NoModifier);
    }

    std::printf("espeak-ng, OpenAL loopback at %d Hz, %d runs\n", kDeviceRate, runs);
    chunkBraille.print("braille chord F: key press to first samples queued");
    audibleBraille.print("braille chord F: key press to first audible render");
    chunkPlain.print("ordinary key x: key press to first samples queued");
    audiblePlain.print("ordinary key x: key press to first audible render");
    Figures lead;
    lead.ms = leading;
    lead.print("engine's leading silence before the name (audio)");
    silence.print("key press while speaking to silence");
    return 0;
}
