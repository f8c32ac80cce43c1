// The settings file: a profile file of [sections] and key=value lines, whose section and
// key names match without regard to case ("voice" and "Voice" are one section). Every
// call opens the file, reads or writes, and closes it; nothing is cached, so two parts
// of the program that write different keys never overwrite each other's values.
//
// Reading goes through SimpleIni. Writing edits the file's text in place: the one line
// that holds the key is rewritten (or one line is added), every other byte of the file
// stays as it was, and the new text replaces the file atomically.
//
// A file that cannot be stored (a folder stands in its place, its folder is not
// writable, its owner made it read-only) does not stop the program once a reporter is
// set: the first failed write is reported, that value and every later one are kept in
// memory for the rest of the run, and reads see them, so a change holds until the end.
// The file itself is left as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tov {

class Profile {
public:
    explicit Profile(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& file() const { return file_; }
    bool exists() const;

    // A missing file, section or key reads as the fallback.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // A missing or malformed value (not a whole decimal number in 32 bits) reads as the
    // fallback.
    int32_t readInteger(std::string_view section, std::string_view key, int32_t fallback) const;
    // Booleans are integers: 0 is false, any other number is true.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    // Creates the file and the section when missing. Throws TovError naming the file
    // when it cannot be written, or when a name or value would break the file's lines.
    void writeString(std::string_view section, std::string_view key, std::string_view value) const;
    void writeInteger(std::string_view section, std::string_view key, int32_t value) const;

    // Hears the one message (Windows-1250) that says the settings cannot be stored and
    // why; without a reporter a failed write throws TovError.
    using Reporter = std::function<void(const std::string& text)>;
    void setWriteFailureReporter(Reporter reporter) { reporter_ = std::move(reporter); }
    // Writes go to memory only since a write failed.
    bool isHeldInMemory() const { return heldInMemory_; }

private:
    std::optional<std::string> unsaved(std::string_view section, std::string_view key) const;

    std::filesystem::path file_;
    Reporter reporter_;
    mutable bool heldInMemory_ = false; //: a write failed; the file is no longer touched
    //: values written since then, by lower-case "section\nkey"
    mutable std::map<std::string, std::string> unsaved_;
};

// The text-level halves of Profile, without any file: what the file's content says for a
// key, and the content with one key set. Exposed for tests and the fuzz target.
namespace profile_text {

std::optional<std::string> lookup(std::string_view content, std::string_view section,
                                  std::string_view key);
std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value);
std::optional<int32_t> parseInteger(std::string_view value);

} // namespace profile_text
} // namespace tov
