// Reading OpenAL Soft's configuration files far enough to respect a user's timing keys,
// and the program's own keys for short updates.
#include "sound/openalconfig.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tov::sound {
namespace {

// 256-frame updates (5.8 ms at 44.1 kHz), and OpenAL's own three of them in the sound
// server's buffer (17.4 ms): a key's echo reaches the server within an update. Smaller
// buffers are heard sooner but do not hold. Through PulseAudio, with four busy processes
// on two cores and the audio threads real-time (below), a minute of the game left the
// server without samples 19 times at 128 by four updates, 50 at 128 by three, 22 at 192
// by three and 394 at 256 by two; 128 by two broke off on an idle machine too
// (tests/e2e/echo_soak.sh).
constexpr std::string_view kTimingConfig = "period_size = 256\n"
                                           "periods = 3\n";
// Where OpenAL plays through a sound server, the speech goes to the server in a stream of
// its own (speech/pulsestream.h) and OpenAL carries only the sounds, which longer updates
// serve better. With four busy processes on two cores and no real-time threads, a minute
// of the game ran OpenAL's stream dry twice at 256 by three updates, and 3 times at 256 by
// six (the same buffer as 512 by three: the update's length is what tells); 512 by three
// never did (tests/e2e/echo_soak.sh).
constexpr std::string_view kServerTimingConfig = "period_size = 512\n"
                                                 "periods = 3\n";
// The mixer thread at the lowest real-time priority, below the sound server's own threads
// (PulseAudio's default is 5). With the pulse client's thread raised too
// (sound/realtime.h), that minute at 256 by three never ran dry, where it did 13 to 17
// times at the normal priority. Asked for only where the system grants it: OpenAL reports a
// refusal as an error on the standard error.
constexpr OpenAlKey kPriorityKey{"general", "rt-prio"};
constexpr std::string_view kPriorityConfig = "rt-prio = 1\n";

constexpr std::array<OpenAlKey, 3> kTimingKeys{{
    {"general", "period_size"},
    {"general", "periods"},
    {"pulse", "adjust-latency"},
}};

std::string_view trimmed(std::string_view s)
{
    constexpr std::string_view kSpace = " \t\r\f\v";
    const size_t first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(kSpace) - first + 1);
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool setsKey(std::string_view config, const OpenAlKey& wanted)
{
    std::string_view section = "general";
    while (!config.empty()) {
        const size_t end = config.find('\n');
        std::string_view line = config.substr(0, end);
        config = end == std::string_view::npos ? std::string_view{} : config.substr(end + 1);
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = line.find(']');
            section = trimmed(
                line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        if (sameName(section, wanted.section) &&
            sameName(trimmed(line.substr(0, equals)), wanted.key) &&
            !trimmed(line.substr(equals + 1)).empty()) {
            return true;
        }
    }
    return false;
}

std::string shortUpdateConfig(const std::vector<std::string>& userConfigs, bool realtime,
                              bool soundServer)
{
    const auto anySets = [&userConfigs](const OpenAlKey& key) {
        return std::any_of(userConfigs.begin(), userConfigs.end(),
                           [&key](const std::string& config) { return setsKey(config, key); });
    };
    std::string ours;
    if (std::none_of(kTimingKeys.begin(), kTimingKeys.end(), anySets)) {
        ours += soundServer ? kServerTimingConfig : kTimingConfig;
    }
    if (realtime && !anySets(kPriorityKey)) {
        ours += kPriorityConfig;
    }
    return ours.empty() ? ours : "[general]\n" + ours;
}

bool soundServerNamed()
{
    const char* const server = std::getenv("PULSE_SERVER");
    if (server != nullptr && *server != '\0') {
        return true;
    }
    const char* const runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_socket(std::filesystem::path(runtime) / "pulse" / "native", error);
}

std::vector<std::filesystem::path> openAlConfigFiles()
{
    std::vector<std::filesystem::path> files{"/etc/openal/alsoft.conf"};
    const char* const dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string_view rest = dirs != nullptr && *dirs != '\0' ? dirs : "/etc/xdg";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
        if (!dir.empty()) {
            files.push_back(std::filesystem::path(dir) / "alsoft.conf");
        }
    }
    const char* const home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        files.push_back(std::filesystem::path(home) / ".alsoftrc");
    }
    const char* const configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && *configHome != '\0') {
        files.push_back(std::filesystem::path(configHome) / "alsoft.conf");
    } else if (home != nullptr && *home != '\0') {
        files.push_back(std::filesystem::path(home) / ".config" / "alsoft.conf");
    }
    return files;
}

std::string readConfigFile(const std::filesystem::path& file, size_t limit)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    std::string text(limit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(limit));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

} // namespace tov::sound
