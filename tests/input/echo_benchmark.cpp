// Measures the echo of a key on the program's own path: key events into the real input
// dialog (TForm2), the real speech layer, the espeak-ng engine and its streamed source,
// and an OpenAL loopback device rendered at the pace of the wall clock in the updates the
// program's real device mixes in (asked of OpenAL here, as the program asks it), each
// update mixed when the one before it starts to play. A frame counts as heard at the
// moment the card plays it; a sound card adds its own buffer on top.
//
//   1. an ordinary key ("x", braille off): key press to its first audible frame;
//   2. a braille chord (F held): key press to the first audible frame of the preview;
//   3. a key (Shift) while a long line is spoken: key press to the last audible frame.
// Prints the median and the 95th percentile of each (not a test: nothing passes or fails).
//
//   input_echo_benchmark [runs] [update frames]     (40 runs; the real device's update)
#include "common/profile.h"
#include "common/text.h"
#include "input/inputdialog.h"
#include "input/tableloaders.h"
#include "input_doubles.h"
#include "measure.h"
#include "sound/audiodevice.h"
#include "speech/engines.h"
#include "speech/qtguithread.h"
#include "speech/speechlayer.h"
#include "speech/voiceselection.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tov::input::BrailleTables;

constexpr int kDeviceRate = 44100;
constexpr float kAudible = 1e-3f; //: -60 dB of full scale

struct Figures {
    std::vector<double> ms;
    void print(const char* what) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.empty()) {
            std::printf("%-46s no measurement\n", what);
            return;
        }
        std::printf("%-46s median %6.2f ms  p95 %6.2f ms  max %6.2f ms  (n=%zu)\n", what,
                    sorted[sorted.size() / 2], sorted[sorted.size() * 95 / 100], sorted.back(),
                    sorted.size());
    }
};

// The mixing update of the program's device: opened as the program opens it, then closed.
int realDeviceUpdate()
{
    return tov::sound::AudioDevice::acquire()->updateFrames();
}

// The first audible frame in [from, to), or nothing.
std::optional<size_t> firstAudible(const std::vector<float>& left, size_t from, size_t to)
{
    for (size_t f = from; f < std::min(to, left.size()); ++f) {
        if (std::fabs(left[f]) > kAudible) {
            return f;
        }
    }
    return std::nullopt;
}

std::optional<size_t> lastAudible(const std::vector<float>& left, size_t from, size_t to)
{
    std::optional<size_t> last;
    for (size_t f = from; f < std::min(to, left.size()); ++f) {
        if (std::fabs(left[f]) > kAudible) {
            last = f;
        }
    }
    return last;
}

// A voice that is gone is no benchmark: the run stops with the message.
class StoppingProcess final : public tov::runtime::ProcessControl {
public:
    void showMessage(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    [[noreturn]] void endProcess() override { std::exit(1); }
};

// The Czech voice (espeak-ng lists it first), selected as Start selects a voice, with
// speech allowed.
void selectCzech(tov::speech::SpeechLayer& speech)
{
    speech.initspeech();
    if (!speech.voicesavailable()) {
        throw std::runtime_error("espeak-ng has no voices here");
    }
    speech.setSpeechAllowed(true);
    speech.createnotifysink();
    StoppingProcess process;
    tov::speech::VoiceSelection selection(speech, process);
    selection.fillvoicelist();
    speech.voiceSettings().choose(0);
    selection.voicelistClick();
    selection.selectengine();
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("ALSOFT_DRIVERS", "null", 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    const int update = argc > 2 ? std::max(1, std::atoi(argv[2])) : realDeviceUpdate();

    BrailleTables& tables = tov::input::brailleTables();
    tables = tov::testing::shippedBrailleTable();
    tov::input::parseKeyNames(tov::files::readFile(TOVANA_SOURCE_DATA_DIR "/czech.eky").value(),
                              tables);

    auto device = tov::sound::AudioDevice::acquireLoopback(kDeviceRate);
    tov::testing::RealTimeRenderer renderer(device, 500us, static_cast<size_t>(update));
    auto frameNow = [&] {
        return static_cast<size_t>(
            std::chrono::duration<double>(Clock::now() - renderer.startedAt()).count() *
            kDeviceRate);
    };

    tov::testing::TempDir dir;
    const tov::Profile profile(dir.path() / "tovana.ini");
    tov::speech::QtGuiPoster poster;
    tov::speech::QtEventQueue queue;
    tov::speech::SpeechLayer speech({queue, tov::runtime::silentSounds(), profile},
                                    tov::speech::espeakEngines(poster),
                                    tov::speech::speechDispatcherVoice(poster));
    try {
        selectCzech(speech);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    tov::input::KeyboardState state;
    tov::input::TForm2 dialog([] {});
    dialog.setHosts({&speech, &tov::runtime::silentSounds(), &state, &tables, {}, {}});
    dialog.activateEdit();
    dialog.show();
    if (!QTest::qWaitForWindowActive(&dialog)) {
        std::fputs("the dialog did not become active\n", stderr);
        return 1;
    }
    QLineEdit* edit = dialog.inputedit();
    const std::string line =
        tov::text::fromUtf8("Jsi v podzemní chodbě, která vede na sever a na jih.");

    auto serveUntil = [&](size_t frame) {
        (void)QTest::qWaitFor([&] { return renderer.framesSoFar() >= frame; }, 5000);
    };
    // Each press is followed by the echo's whole wait (the key name waits until the speech has
    // ended), so the frames between two presses belong to the first.
    std::vector<size_t> plainPresses, chordPresses, quietPresses;
    for (int run = 0; run < runs; ++run) {
        state.braillekeys = false;
        plainPresses.push_back(frameNow());
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_X, "x", Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_X, "x", Qt::NoModifier);

        state.braillekeys = true;
        chordPresses.push_back(frameNow());
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_F, "f", Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_F, "f", Qt::NoModifier);
        state.braillekeys = false;
        edit->clear();

        // The GUI thread serves its queue meanwhile, as the program's does: the engine's
        // AudioStart reaches the layer, so the key's reset knows there is speech to stop.
        speech.saynowait(line);
        serveUntil(frameNow() + kDeviceRate * 3 / 10); // well into the line
        quietPresses.push_back(frameNow());
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_Shift, QString(), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_Shift, QString(), Qt::NoModifier);
        (void)QTest::qWaitFor([&] { return !speech.state().sapi4speaking; }, 5000);
        serveUntil(frameNow() + kDeviceRate / 10);
    }
    const std::vector<float> heard = renderer.stop();

    auto ms = [](size_t frames) { return 1000.0 * static_cast<double>(frames) / kDeviceRate; };
    Figures plain, chord, quiet;
    for (int run = 0; run < runs; ++run) {
        const auto r = static_cast<size_t>(run);
        if (const auto f = firstAudible(heard, plainPresses[r], chordPresses[r])) {
            plain.ms.push_back(ms(*f - plainPresses[r]));
        }
        if (const auto f = firstAudible(heard, chordPresses[r], quietPresses[r])) {
            chord.ms.push_back(ms(*f - chordPresses[r]));
        }
        const size_t press = quietPresses[r];
        if (firstAudible(heard, press - std::min<size_t>(press, 441), press)) { // it was speaking
            const auto last = lastAudible(heard, press, press + kDeviceRate / 10);
            quiet.ms.push_back(last ? ms(*last + 1 - press) : 0.0);
        }
    }
    std::printf("echo on the program's path: espeak-ng, OpenAL loopback at %d Hz in updates "
                "of %d frames (%.1f ms), %d runs\n",
                kDeviceRate, update, ms(static_cast<size_t>(update)), runs);
    plain.print("ordinary key x: press to first audible frame");
    chord.print("braille chord F: press to first audible frame");
    quiet.print("key while speaking: press to silence");
    return 0;
}
