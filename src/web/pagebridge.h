// The page's side of the browser edition, as the C++ host calls it. Every call goes to
// `Module.page` (page/page.js and the modules it loads); text crosses as UTF-8. The calls
// that wait (a line typed, a spoken text, a message read) suspend the program through
// Asyncify and let the browser's event loop run meanwhile, as the desktop's waits serve
// the event queue. Nothing here is called off the page's one thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tov::web::page {

// --- the screen and the followed region ---
// The 24 screen lines, drawn again; the page never announces them.
void showScreen(std::string_view lines);
// A line of the answer being printed has ended: the page adds it to the followed region.
void answerLine(std::string_view line);
// The answer is complete: the program waits for a command.
void answerEnded();

// --- the input dialog ---
// Waits for the player's line, starting from `text`; nothing when the dialog's exit button
// or Escape closed it. The work posted meanwhile runs inside the wait.
std::optional<std::string> readLine(std::string_view text);

// Work that plays or speaks and may wait (a chord's echo, the tones of a switch). The
// page's events arrive while the program is suspended in one of its waits, and a
// suspended program cannot wait a second time, so such work is handed to the program: it
// runs, in order, when the line wait wakes for it, or at the next line wait when the
// program is busy elsewhere.
void postToProgram(std::function<void()> work);

// --- speech (the page's own voice; silent when the player's screen reader speaks) ---
// Speaks and waits until it has been spoken, cut by a key, or given up on.
void say(std::string_view text);
void sayNoWait(std::string_view text);
void sayKeyName(std::string_view text);
void stopSpeech();
bool engineReady();

// --- how the page is heard ---
// The first visit's question, with its two answers: true for the page's own voice, false
// for the player's screen reader.
bool askHearing(std::string_view question, std::string_view ownVoice,
                std::string_view screenReader);
// Tells the page how it is heard: its own voice speaks, or it leaves speaking to the
// player's screen reader. The page may now ask the program for the stored voice.
void hearingChosen(bool ownVoice);

// --- messages, the end of a run, pauses ---
// Shows the message in an alert dialog and waits until the player has dismissed it.
void showMessage(std::string_view text);
// A run of the program has ended ("hotovo" printed); Start runs it again.
void runEnded();
// The program was stopped by a fatal error with this status; the page offers a reload.
void programEnded(int status);
// Waits until the player chooses Start.
void waitForStart();
// A pause that lets the page go on (a key, a redraw), unlike the desktop's blocking one.
void sleep(int milliseconds);
// The sound statement's wait: returns after the duration, or earlier when a key ends it
// (`endSoundWait`); a zero duration waits for the key alone.
void soundWait(int milliseconds);
void endSoundWait();
// The user files changed (memory image, settings): the page keeps them in its storage.
void persistUserFiles();

} // namespace tov::web::page
