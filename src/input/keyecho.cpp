// The key echo and the capital letters it plays its cue for.
#include "input/keyecho.h"

#include "common/text.h"

#include <array>

namespace tov::input {
namespace {

constexpr double kCapitalTone = 2000;
constexpr double kCapitalSound = 1;
constexpr double kCapitalDuration = 20;

// Small and capital letters alternate; the capitals stand at the odd indices. "§" closes
// the list at an even index, so it is no capital.
const std::string& capitalList()
{
    static const std::string list = text::fromUtf8("áÁäÄčČďĎéÉěĚíÍĺĹľĽňŇóÓôÔöÖŕŔřŘšŠťŤúÚůŮüÜýÝžŽ§");
    return list;
}

} // namespace

bool iscapital(char c)
{
    const auto code = static_cast<uint8_t>(c);
    if (code >= 'A' && code <= 'Z') {
        return true;
    }
    if (code < 128) {
        return false;
    }
    const size_t at = capitalList().find(c);
    return at != std::string::npos && at % 2 == 1;
}

void KeyEcho::operator()(const std::string& text) const
{
    if (!speech.engineready()) {
        return;
    }
    if (text.empty() || (text.size() == 1 && text[0] == '\0')) {
        return;
    }
    if (text.size() == 1 && iscapital(text[0])) {
        const std::array<double, 1> tone{kCapitalTone};
        sounds.sound(tone, kCapitalSound, kCapitalDuration);
    }
    const std::string_view name = tables.keyname(static_cast<uint8_t>(text[0]));
    if (!name.empty()) {
        speech.saykeyname(std::string(name));
    }
}

} // namespace tov::input
