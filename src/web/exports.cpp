// What the page calls in the program: plain C functions, kept alive for the page's
// `Module._tovana_*`. Text goes out as UTF-8 the page frees with `_free`.
#include "common/localizer.h"
#include "common/messages.h"
#include "common/text.h"
#include "runtime/soundcues.h"
#include "web/handout.h"
#include "web/pagebridge.h"
#include "web/webhost.h"

#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {

// A key was pressed on the page: like every key on the desktop, it first stops what is
// being spoken and ends the sound statement's wait.
EMSCRIPTEN_KEEPALIVE void tovana_key_pressed()
{
    tov::web::page::stopSpeech();
    if (tov::web::WebHost* host = tov::web::current()) {
        host->endSoundWait();
    }
}

// Exit, or the page being hidden or closed: the memory image is written and stored.
EMSCRIPTEN_KEEPALIVE void tovana_save_memory_image()
{
    if (tov::web::WebHost* host = tov::web::current()) {
        host->saveMemoryImage();
    }
}

// The Exit command and the input dialog's exit button: the memory image is saved and the
// program ends, as the desktop's process does; the page offers Start again.
EMSCRIPTEN_KEEPALIVE void tovana_exit()
{
    if (tov::web::WebHost* host = tov::web::current()) {
        host->saveMemoryImage();
    }
    tov::web::page::programEnded(EXIT_SUCCESS);
    emscripten_force_exit(EXIT_SUCCESS);
}

// The localised message of this number in the interface's language (common/messages.h),
// so the page's labels are the desktop's; nullptr for a number that is no message.
EMSCRIPTEN_KEEPALIVE char* tovana_message(int number)
{
    if (!tov::isMessage(number)) {
        return nullptr;
    }
    return tov::web::handOut(tov::text::toUtf8(tov::message(static_cast<tov::Message>(number))));
}

// The answer `back` answers ago (1 the last), its lines with text joined by line ends;
// nullptr when there are fewer answers.
EMSCRIPTEN_KEEPALIVE char* tovana_answer(int back)
{
    tov::web::WebHost* host = tov::web::current();
    if (host == nullptr || back < 1) {
        return nullptr;
    }
    const tov::runtime::Answer* answer = host->answers().answer(static_cast<size_t>(back));
    return answer != nullptr ? tov::web::handOut(tov::text::toUtf8(answer->text())) : nullptr;
}

} // extern "C"
