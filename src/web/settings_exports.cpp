// The settings the page's menus and dialogs change, read and written through the
// desktop's own functions, so the browser's settings file has the desktop's entries
// and the page's storage keeps them as one file. Each change is applied to the running
// program at once (the sounds to its cues, the language to every later message) and
// handed to the page's storage.
#include "common/localizer.h"
#include "common/profile.h"
#include "common/settingskeys.h"
#include "common/text.h"
#include "shell/settings.h"
#include "shell/version.h"
#include "sound/platform.h"
#include "web/handout.h"
#include "web/pagebridge.h"
#include "web/webhost.h"

#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

// The entries the page reads and writes by number (menus.js names the same numbers).
enum class Setting : int {
    VoiceAllowed = 0,
    TovanaSounds = 1,
    SoundVolume = 2, // the volume bar's position, 0 (silent) to kVolumeSteps (full)
    BrailleKeys = 3,
    BrailleDisplay = 4,
    Transcript = 5,
    Language = 6, // the language's base in the string tables
};

// What a setting the page does not know reads as.
constexpr int kNoSetting = INT_MIN;

// The desktop's volume bar, the same steps.
using tov::shell::kVolumeSteps;
using tov::shell::positionVolume;
using tov::shell::volumePosition;

std::vector<tov::LanguageItem> languages()
{
    std::vector<tov::LanguageItem> list;
    tov::TResourceLocalizer::filllanguages(list);
    return list;
}

using tov::web::handOut;

// Writes one general setting: the desktop writes them as one set, so the others are
// read first and written back unchanged.
bool writeGeneral(tov::web::WebHost& host, Setting which, int value)
{
    tov::shell::GeneralSettings values = tov::shell::readsettings(host.profile());
    switch (which) {
    case Setting::VoiceAllowed:
        values.voiceallowed = value != 0;
        break;
    case Setting::TovanaSounds:
        values.sounds.tovanasounds = value != 0;
        break;
    case Setting::SoundVolume:
        values.sounds.sndvolume = positionVolume(value);
        break;
    case Setting::BrailleKeys:
        values.braillekeys = value != 0;
        break;
    default:
        return false;
    }
    tov::shell::writesettings(host.profile(), values);
    host.soundCues().settings() = values.sounds;
    return true;
}

bool writeSetting(tov::web::WebHost& host, Setting which, int value)
{
    switch (which) {
    case Setting::BrailleDisplay:
        tov::shell::writebrailledisplay(host.profile(), value != 0);
        return true;
    case Setting::Transcript:
        tov::shell::writetranscript(host.profile(), value != 0);
        return true;
    case Setting::Language: {
        const std::vector<tov::LanguageItem> list = languages();
        const bool known = std::any_of(list.begin(), list.end(), [value](const auto& language) {
            return language.base == value;
        });
        if (!known) {
            return false;
        }
        tov::languageSettings().languagebase = value;
        tov::writelanguage(host.profile());
        return true;
    }
    default:
        return writeGeneral(host, which, value);
    }
}

} // namespace

extern "C" {

// The setting's value as the page shows it; INT_MIN for a number that is no setting.
EMSCRIPTEN_KEEPALIVE int tovana_setting(int number)
{
    tov::web::WebHost* host = tov::web::current();
    if (host == nullptr) {
        return kNoSetting;
    }
    const tov::Profile& profile = host->profile();
    switch (static_cast<Setting>(number)) {
    case Setting::VoiceAllowed:
        return tov::shell::readsettings(profile).voiceallowed ? 1 : 0;
    case Setting::TovanaSounds:
        return tov::shell::readsettings(profile).sounds.tovanasounds ? 1 : 0;
    case Setting::SoundVolume:
        return volumePosition(tov::shell::readsettings(profile).sounds.sndvolume);
    case Setting::BrailleKeys:
        return tov::shell::readsettings(profile).braillekeys ? 1 : 0;
    case Setting::BrailleDisplay:
        return tov::shell::readbrailledisplay(profile) ? 1 : 0;
    case Setting::Transcript:
        return tov::shell::readtranscript(profile) ? 1 : 0;
    case Setting::Language:
        return tov::languageSettings().languagebase;
    }
    return kNoSetting;
}

// Writes the setting, applies it, and hands the settings file to the page's storage;
// 0 when the number is no setting or the value none it takes.
EMSCRIPTEN_KEEPALIVE int tovana_set_setting(int number, int value)
{
    tov::web::WebHost* host = tov::web::current();
    if (host == nullptr || number < 0 || number > static_cast<int>(Setting::Language)) {
        return 0;
    }
    if (!writeSetting(*host, static_cast<Setting>(number), value)) {
        return 0;
    }
    tov::web::page::persistUserFiles();
    return 1;
}

// The volume bar's last position (full volume).
EMSCRIPTEN_KEEPALIVE int tovana_volume_steps()
{
    return kVolumeSteps;
}

// The Sounds dialog's bar moved to `position`: the cues play at that volume from now on,
// and its tone lets the player hear it, as on the desktop. Nothing is written until OK;
// Cancel puts the written volume back (tovana_restore_volume). A bank without the tone is
// no reason to stop: the page is told on its console.
EMSCRIPTEN_KEEPALIVE void tovana_preview_volume(int position)
{
    tov::web::WebHost* host = tov::web::current();
    if (host == nullptr) {
        return;
    }
    host->soundCues().settings().sndvolume = positionVolume(position);
    try {
        host->soundCues().volumePreview();
    } catch (const std::exception& error) {
        emscripten_log(EM_LOG_WARN, "%s", error.what());
    }
}

EMSCRIPTEN_KEEPALIVE void tovana_restore_volume()
{
    tov::web::WebHost* host = tov::web::current();
    if (host != nullptr) {
        host->soundCues().settings() = tov::shell::readsettings(host->profile()).sounds;
    }
}

// The languages the program has, in the environment dialog's order: how many, and each
// one's base and own name (UTF-8, freed by the page).
EMSCRIPTEN_KEEPALIVE int tovana_language_count()
{
    return static_cast<int>(languages().size());
}

EMSCRIPTEN_KEEPALIVE int tovana_language_base(int index)
{
    const std::vector<tov::LanguageItem> list = languages();
    return index >= 0 && index < static_cast<int>(list.size())
               ? list[static_cast<size_t>(index)].base
               : 0;
}

EMSCRIPTEN_KEEPALIVE char* tovana_language_name(int index)
{
    const std::vector<tov::LanguageItem> list = languages();
    if (index < 0 || index >= static_cast<int>(list.size())) {
        return nullptr;
    }
    return handOut(tov::text::toUtf8(list[static_cast<size_t>(index)].text));
}

// The program's version, as the about box shows it.
EMSCRIPTEN_KEEPALIVE char* tovana_version()
{
    return handOut(tov::shell::kVersion);
}

} // extern "C"
