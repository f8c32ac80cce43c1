// The page's functions reached from C++. Each EM_JS body is one call into `Module.page`;
// what the page does is in page/*.js.
#include "web/pagebridge.h"

#include "common/text.h"

#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>

namespace {

// clang-format off
EM_JS(void, js_showScreen, (const char* lines, int size), {
    Module.page.showScreen(UTF8ToString(lines, size));
});
EM_JS(void, js_answerLine, (const char* line, int size), {
    Module.page.answerLine(UTF8ToString(line, size));
});
EM_JS(void, js_answerEnded, (), {
    Module.page.answerEnded();
});
EM_ASYNC_JS(char*, js_readLine, (const char* text, int size), {
    const line = await Module.page.readLine(UTF8ToString(text, size));
    if (line === null || line === undefined) {
        return 0;
    }
    if (line === Module.page.kWoken) {
        return 1;
    }
    const bytes = lengthBytesUTF8(line) + 1;
    const copy = _malloc(bytes);
    stringToUTF8(line, copy, bytes);
    return copy;
});
EM_ASYNC_JS(void, js_say, (const char* text, int size), {
    await Module.page.say(UTF8ToString(text, size));
});
EM_JS(void, js_sayNoWait, (const char* text, int size), {
    Module.page.sayNoWait(UTF8ToString(text, size));
});
EM_JS(void, js_sayKeyName, (const char* text, int size), {
    Module.page.sayKeyName(UTF8ToString(text, size));
});
EM_JS(void, js_stopSpeech, (), {
    Module.page.stopSpeech();
});
EM_JS(int, js_engineReady, (), {
    return Module.page.engineReady() ? 1 : 0;
});
EM_ASYNC_JS(int, js_askHearing, (const char* question, int questionSize, const char* own,
                                 int ownSize, const char* reader, int readerSize), {
    const chosen = await Module.page.speech.askHearing(UTF8ToString(question, questionSize),
        UTF8ToString(own, ownSize), UTF8ToString(reader, readerSize));
    return chosen ? 1 : 0;
});
EM_JS(void, js_hearingChosen, (int ownVoice), {
    Module.page.speech.attach(Module, ownVoice !== 0);
});
EM_ASYNC_JS(void, js_showMessage, (const char* text, int size), {
    await Module.page.showMessage(UTF8ToString(text, size));
});
EM_JS(void, js_runEnded, (), {
    Module.page.runEnded();
});
EM_ASYNC_JS(void, js_soundWait, (int milliseconds), {
    await Module.page.soundWait(milliseconds);
});
EM_JS(void, js_endSoundWait, (), {
    Module.page.endSoundWait();
});
EM_JS(void, js_programEnded, (int status), {
    Module.page.programEnded(status);
});
EM_ASYNC_JS(void, js_waitForStart, (), {
    await Module.page.waitForStart();
});
EM_ASYNC_JS(void, js_sleep, (int milliseconds), {
    await new Promise((resolve) => setTimeout(resolve, milliseconds));
});
EM_JS(void, js_wakeProgram, (), {
    Module.page.wakeProgram();
});
EM_JS(void, js_persistUserFiles, (), {
    Module.page.persistUserFiles();
});
// clang-format on

int sizeOf(std::string_view text)
{
    return static_cast<int>(text.size());
}

// What js_readLine returns when the page woke the program for its posted work: no address
// that malloc gives.
constexpr uintptr_t kWokenMark = 1;

std::deque<std::function<void()>>& posted()
{
    static std::deque<std::function<void()>> work;
    return work;
}

void runPosted()
{
    // One at a time: the work may wait, and the page may post more meanwhile. What fails
    // (a sound the bank lacks) is shown, as a key's failure is on the desktop, and the
    // line wait goes on.
    while (!posted().empty()) {
        const std::function<void()> work = std::move(posted().front());
        posted().pop_front();
        try {
            work();
        } catch (const std::exception& error) {
            tov::web::page::showMessage(tov::text::toUtf8(error.what()));
        }
    }
}

} // namespace

namespace tov::web::page {

void showScreen(std::string_view lines)
{
    js_showScreen(lines.data(), sizeOf(lines));
}
void answerLine(std::string_view line)
{
    js_answerLine(line.data(), sizeOf(line));
}
void answerEnded()
{
    js_answerEnded();
}

std::optional<std::string> readLine(std::string_view text)
{
    runPosted();
    while (true) {
        char* got = js_readLine(text.data(), sizeOf(text));
        if (reinterpret_cast<uintptr_t>(got) == kWokenMark) {
            runPosted();
            text = {}; // the field keeps what the player has typed so far
            continue;
        }
        const std::unique_ptr<char, decltype(&std::free)> line(got, &std::free);
        if (!line) {
            return std::nullopt;
        }
        return std::string(line.get());
    }
}

void postToProgram(std::function<void()> work)
{
    posted().push_back(std::move(work));
    js_wakeProgram();
}

void say(std::string_view text)
{
    js_say(text.data(), sizeOf(text));
}
void sayNoWait(std::string_view text)
{
    js_sayNoWait(text.data(), sizeOf(text));
}
void sayKeyName(std::string_view text)
{
    js_sayKeyName(text.data(), sizeOf(text));
}
void stopSpeech()
{
    js_stopSpeech();
}
bool engineReady()
{
    return js_engineReady() != 0;
}

bool askHearing(std::string_view question, std::string_view ownVoice, std::string_view screenReader)
{
    return js_askHearing(question.data(), sizeOf(question), ownVoice.data(), sizeOf(ownVoice),
                         screenReader.data(), sizeOf(screenReader)) != 0;
}
void hearingChosen(bool ownVoice)
{
    js_hearingChosen(ownVoice ? 1 : 0);
}

void showMessage(std::string_view text)
{
    js_showMessage(text.data(), sizeOf(text));
}
void runEnded()
{
    js_runEnded();
}
void soundWait(int milliseconds)
{
    js_soundWait(milliseconds);
}
void endSoundWait()
{
    js_endSoundWait();
}
void programEnded(int status)
{
    js_programEnded(status);
}
void waitForStart()
{
    js_waitForStart();
}
void sleep(int milliseconds)
{
    js_sleep(milliseconds);
}
void persistUserFiles()
{
    js_persistUserFiles();
}

} // namespace tov::web::page
