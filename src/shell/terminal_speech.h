// Speech for the terminal host: the window's speech layer and engines (espeak-ng with the
// voice, pitch, speed and volume of the settings file, or speech-dispatcher when chosen),
// with no Qt and no window. It does not hold the terminal's screen or its dialog
// (terminal_host.cpp); it gives them a voice and a line supply that can interrupt it.
//
// 1. The terminal's own thread is the "GUI thread": the engines post their notifications
//    to a plain event queue (speech/threadqueue.h), which `say` serves while it waits, as
//    the window's `say` serves Qt's queue. The queue sleeps on a condition variable.
// 2. Standard input is read by a thread of its own, which posts every line, and the end
//    of input, to the same queue. So a line that arrives while `say` waits is handled
//    inside that wait: from a terminal it stops the speech, as a key does in the window
//    ("v" typed during the opening silences the opening's line at once). Lines from a
//    pipe or a file stop nothing: the program takes them at its pace, each answer spoken
//    to its end before the next command is read.
// 3. The voice is chosen as the window's Start chooses it: the saved voice, or the
//    default one, which then becomes the saved one. Its settings are the speech layer's
//    model (speech/voicesettings.h), used without any dialog.
// All of this, except the reading of lines, runs on the terminal host's thread.
#pragma once

#include "speech/speechlayer.h"
#include "speech/threadqueue.h"
#include "speech/voiceselection.h"

#include <deque>
#include <functional>
#include <string>
#include <thread>

namespace tov {
class Profile;
}

namespace tov::shell {

// Reads lines on its own thread and posts each to `poster`; `read` blocks for the next
// line and returns false at the end of input, after which `ended` is posted once. The
// reading thread is joined when the reader goes, so its input must have ended by then.
class LineReader {
public:
    using ReadLine = std::function<bool(std::string& line)>;
    LineReader(speech::GuiPoster& poster, ReadLine read,
               std::function<void(std::string line)> arrived, std::function<void()> ended);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

private:
    std::thread thread_;
};

// Whether a line that arrives stops the speech going on.
enum class Interrupts { Yes, No };

// The lines read so far and not yet taken, fed by a LineReader through the queue.
class QueuedLines {
public:
    QueuedLines(speech::EventQueue& queue, Interrupts interrupts, std::function<void()> stop)
        : queue_(queue), interrupts_(interrupts), stop_(std::move(stop))
    {
    }

    // On the queue's thread: a line has arrived / the input has ended.
    void arrived(std::string line);
    void ended() { ended_ = true; }

    // Serves the queue until a line is there and takes it; false once the input has
    // ended and every line has been taken.
    bool next(std::string& line);

private:
    speech::EventQueue& queue_;
    const Interrupts interrupts_;
    std::function<void()> stop_;
    std::deque<std::string> lines_; //: arrived and not taken, oldest first
    bool ended_ = false;            //: the reader has seen the end of input
};

// The speech layer on the terminal's thread, with the real engines.
class TerminalSpeech {
public:
    TerminalSpeech(const Profile& profile, runtime::SoundStatement& sounds,
                   runtime::ProcessControl& process);
    TerminalSpeech(const TerminalSpeech&) = delete;
    TerminalSpeech& operator=(const TerminalSpeech&) = delete;

    // Makes the engines, reads the speech settings (without a settings file, whether
    // espeak-ng could start is written as "voiceallowed") and selects the voice. Returns
    // false when the settings leave nothing to speak with (espeak-ng chosen, speech not
    // allowed).
    bool start();

    speech::SpeechLayer& layer() { return layer_; }
    speech::ThreadEventQueue& queue() { return queue_; }

private:
    const Profile& profile_;
    speech::ThreadEventQueue queue_; //: before the layer: the engines post through it
    speech::SpeechLayer layer_;
    //: chooses the voice and hands the engine the layer's voice settings; no dialog
    speech::VoiceSelection selection_;
};

} // namespace tov::shell
