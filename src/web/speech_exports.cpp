// What the page's own voice asks of the program (page/speech.js): the names a key echo
// speaks, the review of the 24 screen lines, and the voice's entries in the settings file.
// The names, the words and the review's lines come from the desktop's own code (keyecho,
// reviewtext, spelling), so the page speaks what the notetaker speaks; the page only
// decides when. Text goes out as UTF-8 that the page frees with `_free`.
//
// Nothing here plays a sound: a sound statement waits, and these functions are called
// straight from the page's key handlers, outside the program's suspended run.
#include "common/localizer.h"
#include "common/messages.h"
#include "common/profile.h"
#include "common/text.h"
#include "input/answerkeys.h"
#include "input/brailletables.h"
#include "input/keyecho.h"
#include "input/reviewtext.h"
#include "input/spelling.h"
#include "input/tableloaders.h"
#include "input/virtualkeys.h"
#include "input/words.h"
#include "runtime/console.h"
#include "shell/settings.h"
#include "speech/voicesettings.h"
#include "web/handout.h"
#include "web/pagebridge.h"
#include "web/webhost.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

using namespace tov;

// The page's copy of a Windows-1250 text of the program, as UTF-8.
char* handOut(const std::string& windows1250)
{
    return web::handOut(text::toUtf8(windows1250));
}

// Keeps what the echo would speak, for the page to speak it at once.
class KeptSpeech final : public runtime::Speech {
public:
    void say(const std::string& text) override { kept = text; }
    void saynowait(const std::string& text) override { kept = text; }
    void stopspeech() override {}
    void saykeyname(const std::string& name) override { kept = name; }
    bool engineready() const override { return true; }

    std::string kept;
};

// The key-name table of the interface language, read at the first echo: the language is
// the host's, read when it was made.
bool tablesLoaded()
{
    static bool tried = false;
    if (!tried && web::current() != nullptr) {
        tried = true;
        try {
            input::LoadKeyboardTables(web::locateFile);
        } catch (const std::exception& error) {
            // Typing goes on without names, as on the desktop; the page's console says why.
            std::fprintf(stderr, "%s\n", text::toUtf8(error.what()).c_str());
        }
    }
    return tried;
}

// The name the echo speaks for the first character of a Windows-1250 text; empty when
// the table names none.
std::string echoName(const std::string& character)
{
    if (!tablesLoaded()) {
        return {};
    }
    KeptSpeech speech;
    input::KeyEcho{speech, runtime::silentSounds(), input::brailleTables()}(character);
    return speech.kept;
}

// The review window's copy of the screen and its caret, as the desktop's memo keeps them.
// Lines and columns from 0; the caret may stand after a line's last character.
class Review {
public:
    void open(const std::vector<std::string>& lines)
    {
        text_ = input::ReviewText(lines);
        line_ = 0;
        column_ = 0;
    }

    // What the key says, or nothing; moves the caret first as the memo would.
    std::optional<std::string> key(int key, bool ctrl, double time)
    {
        switch (key) {
        case input::vk::kUp:
        case input::vk::kDown:
            line_ = std::clamp(line_ + (key == input::vk::kUp ? -1 : 1), 0, last());
            column_ = std::min(column_, length(line_));
            passBoundary(line_ == 0 || line_ == last());
            return text_.line(line_).empty() ? message(Message::EmptyLine)
                                             : std::string(text_.line(line_));
        case input::vk::kLeft:
        case input::vk::kRight:
        case input::vk::kHome:
        case input::vk::kEnd:
            move(key, ctrl);
            passBoundary(text_.isTextBoundary(offset()));
            if (text_.text().empty()) {
                return std::nullopt;
            }
            if (ctrl && (key == input::vk::kLeft || key == input::vk::kRight)) {
                return nonEmpty(input::wordAt(text_.text(), offset()));
            }
            return nonEmpty(echoName(input::characterAt(text_.text(), offset())));
        case input::vk::kF2:
            return input::caretPosition(line_, column_);
        case input::vk::kF3: {
            const std::string character = input::characterAt(text_.text(), offset());
            if (character.empty()) {
                return std::nullopt;
            }
            const bool second =
                spelling_.press(std::chrono::milliseconds(static_cast<int64_t>(time)), offset());
            const std::string word =
                second ? input::phoneticWord(character.front(), languageSettings().languagebase)
                       : std::string();
            return nonEmpty(word.empty() ? echoName(character) : word);
        }
        default:
            return std::nullopt;
        }
    }

    // The last move went against the edge the caret already stood at: the desktop clicks.
    bool clicked() const { return clicked_; }

private:
    static std::optional<std::string> nonEmpty(std::string text)
    {
        return text.empty() ? std::nullopt : std::optional(std::move(text));
    }
    int last() const { return text_.lineCount() - 1; }
    int length(int line) const { return static_cast<int>(text_.line(line).size()); }
    size_t offset() const { return text_.offsetOf(line_, column_); }

    void move(int key, bool ctrl)
    {
        if (key == input::vk::kHome) {
            column_ = 0;
        } else if (key == input::vk::kEnd) {
            column_ = length(line_);
        } else if (ctrl) {
            moveWord(key == input::vk::kRight);
        } else if (key == input::vk::kLeft) {
            if (column_ > 0) {
                --column_;
            } else if (line_ > 0) {
                --line_;
                column_ = length(line_);
            }
        } else if (column_ < length(line_)) {
            ++column_;
        } else if (line_ < last()) {
            ++line_;
            column_ = 0;
        }
    }

    // To the start of the next word, or of this or the previous one, within the line.
    void moveWord(bool forward)
    {
        const std::string_view line = text_.line(line_);
        const auto delimiter = [&](int at) {
            return input::isWordDelimiter(line[static_cast<size_t>(at)]);
        };
        int at = column_;
        if (forward) {
            while (at < length(line_) && !delimiter(at)) {
                ++at;
            }
            while (at < length(line_) && delimiter(at)) {
                ++at;
            }
        } else {
            while (at > 0 && delimiter(at - 1)) {
                --at;
            }
            while (at > 0 && !delimiter(at - 1)) {
                --at;
            }
        }
        column_ = at;
    }

    void passBoundary(bool atBoundary)
    {
        clicked_ = atBoundary && edgeflag_;
        edgeflag_ = atBoundary;
    }

    input::ReviewText text_;
    int line_ = 0;
    int column_ = 0;
    bool edgeflag_ = false; //: the caret has already arrived at a boundary
    bool clicked_ = false;
    input::DoublePress spelling_;
};

Review& review()
{
    static Review theReview;
    return theReview;
}

Profile settingsProfile()
{
    return Profile(web::kSettingsFile);
}

// The ranges the page's voice takes: the browser's pitch 0 to 2, rate 0.1 to 10 and
// volume 0 to 1 are spread over -100 to 100, 0 being the browser's default pitch and rate.
// The stored volume's default (255) reads as the loudest.
constexpr int kLevelMinimum = -100;
constexpr int kLevelMaximum = 100;

void setWebRanges(speech::VoiceSettings& voice)
{
    for (const speech::VoiceLevel level : speech::kVoiceLevels) {
        voice.setMinimum(level, kLevelMinimum);
        voice.setMaximum(level, kLevelMaximum);
    }
    voice.makeAdjustable();
}

speech::VoiceLevel levelOf(int which)
{
    return speech::kVoiceLevels.at(static_cast<size_t>(std::clamp(which, 0, 2)));
}

} // namespace

extern "C" {

// Reads the key-name tables now, so that the first key's echo does not wait for them.
EMSCRIPTEN_KEEPALIVE void tovana_load_key_names()
{
    tablesLoaded();
}

// The name the key echo speaks for a typed character (UTF-8), or nullptr for none.
EMSCRIPTEN_KEEPALIVE char* tovana_echo_name(const char* character)
{
    const std::string name = echoName(text::fromUtf8(character));
    return name.empty() ? nullptr : handOut(name);
}

// The word at a column of the input line (UTF-8), as Ctrl+Left and Ctrl+Right say it;
// nullptr on a delimiter or at the end.
EMSCRIPTEN_KEEPALIVE char* tovana_word_at(const char* line, int column)
{
    const std::string word =
        input::wordAt(text::fromUtf8(line), static_cast<size_t>(std::max(column, 0)));
    return word.empty() ? nullptr : handOut(word);
}

// Whether the typed character (UTF-8) is a capital, which the desktop's echo marks.
EMSCRIPTEN_KEEPALIVE int tovana_is_capital(const char* character)
{
    const std::string text = text::fromUtf8(character);
    return text.size() == 1 && input::iscapital(text[0]) ? 1 : 0;
}

// How far back an answer key asks (1 to 9), or 0: Alt alone with a digit, decided where
// the desktop decides it.
EMSCRIPTEN_KEEPALIVE int tovana_answer_key(int key, int shift, int ctrl, int alt)
{
    input::Modifiers modifiers;
    if (shift != 0) {
        modifiers = modifiers | input::Modifier::Shift;
    }
    if (ctrl != 0) {
        modifiers = modifiers | input::Modifier::Ctrl;
    }
    if (alt != 0) {
        modifiers = modifiers | input::Modifier::Alt;
    }
    return static_cast<int>(input::answerKeyBack(key, modifiers));
}

// Opens the review of the screen on a fresh copy, the caret at its start; 0 when the
// memory image disables the review.
EMSCRIPTEN_KEEPALIVE int tovana_review_open()
{
    web::WebHost* host = web::current();
    if (host == nullptr || host->console().memoryimage()[runtime::kReviewDisableAddress] == 1) {
        return 0;
    }
    review().open(host->console().screen().lines());
    return 1;
}

// A key pressed in the review (a virtual-key code; `time` in milliseconds for the second
// press of F3): what it says, or nullptr.
EMSCRIPTEN_KEEPALIVE char* tovana_review_key(int key, int ctrl, double time)
{
    const std::optional<std::string> said = review().key(key, ctrl != 0, time);
    return said ? handOut(*said) : nullptr;
}

// The review's caret pressed against an edge it had already reached.
EMSCRIPTEN_KEEPALIVE int tovana_review_at_edge()
{
    return review().clicked() ? 1 : 0;
}

// "voiceallowed" of the settings file: 1 when the page speaks with its own voice.
EMSCRIPTEN_KEEPALIVE int tovana_hearing()
{
    return shell::readsettings(settingsProfile()).voiceallowed ? 1 : 0;
}

// Switches the page's own voice on (1) or off (0) and stores it with the other general
// settings, as the desktop's sounds dialog does.
EMSCRIPTEN_KEEPALIVE void tovana_set_hearing(int ownVoice)
{
    const Profile profile = settingsProfile();
    shell::GeneralSettings settings = shell::readsettings(profile);
    settings.voiceallowed = ownVoice != 0;
    shell::writesettings(profile, settings);
    web::page::persistUserFiles();
}

// The stored voice level (0 pitch, 1 speed, 2 volume) within the page's range, and the
// range's ends (`end` 0 the minimum, 1 the maximum, 2 the value).
EMSCRIPTEN_KEEPALIVE int tovana_voice_level(int which, int end)
{
    speech::VoiceSettings voice;
    setWebRanges(voice);
    voice.readLevels(settingsProfile());
    const speech::LevelRange& range = voice.level(levelOf(which));
    return end == 0 ? range.minimum : end == 1 ? range.maximum : range.value;
}

// The stored voice's name, or nullptr when none is stored.
EMSCRIPTEN_KEEPALIVE char* tovana_voice_person()
{
    const std::string name = speech::VoiceSettings::storedVoice(settingsProfile());
    return name.empty() ? nullptr : handOut(name);
}

// Stores the voice dialog's choice: the voice's name (empty for none) and the three
// levels, each held to the page's range.
EMSCRIPTEN_KEEPALIVE void tovana_voice_store(const char* person, int pitch, int speed, int volume)
{
    speech::VoiceSettings voice;
    setWebRanges(voice);
    const std::string name = text::fromUtf8(person);
    if (!name.empty()) {
        voice.addVoice(name);
        voice.choose(0);
    }
    voice.setValue(speech::VoiceLevel::Pitch, pitch);
    voice.setValue(speech::VoiceLevel::Speed, speed);
    voice.setValue(speech::VoiceLevel::Volume, volume);
    voice.write(settingsProfile());
    web::page::persistUserFiles();
}

} // extern "C"
