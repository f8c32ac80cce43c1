// The OpenAL configuration the program hands OpenAL Soft for short updates, and how it
// stays out of the way of a user's own: OpenAL reads the system's and the user's files
// first and the file named by ALSOFT_CONF last, so a key the program wrote there would
// override the user's. The program writes its keys only when no file the user or the
// system keeps sets any of them, and not at all under a user's own ALSOFT_CONF.
//
// Not the file reader OpenAL has: enough of its format ("[section]", "key = value",
// "#" comments, keys before any section in [general]) to tell whether a key has a value.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tov::sound {

// The keys that decide when a sound is heard: the update's length and count, and how the
// pulse backend asks the server for its buffer.
struct OpenAlKey {
    std::string_view section;
    std::string_view key;
};

// A configuration text sets `key` in `section` to something (an empty value does not
// count: Debian's own file lists keys with nothing after the "=").
bool setsKey(std::string_view config, const OpenAlKey& key);

// The program's configuration: short updates, unless one of the files given (their
// contents) already sets a timing key; twice as long where OpenAL plays through a sound
// server (`soundServer`: the speech then goes beside OpenAL, which carries only the
// sounds); a real-time mixer, unless one sets its priority or the system refuses
// real-time threads (`realtime` false: OpenAL would then print its refusal on the standard
// error of every start). Empty when there is nothing to add.
std::string shortUpdateConfig(const std::vector<std::string>& userConfigs, bool realtime,
                              bool soundServer);

// Whether OpenAL will find a PulseAudio server (PulseAudio's own or PipeWire's): one named
// in PULSE_SERVER, or the user's socket in XDG_RUNTIME_DIR. Looks, never connects: it is
// asked before OpenAL starts, on the way to the first window.
bool soundServerNamed();

// The files OpenAL Soft reads before ALSOFT_CONF, from the environment's XDG_CONFIG_DIRS,
// HOME and XDG_CONFIG_HOME, as OpenAL finds them.
std::vector<std::filesystem::path> openAlConfigFiles();

// A file's contents, at most `limit` bytes of it; empty when it cannot be read.
std::string readConfigFile(const std::filesystem::path& file, size_t limit = 1 << 20);

} // namespace tov::sound
