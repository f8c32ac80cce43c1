// Settings file reads (SimpleIni) and in-place writes.
//
// The writer must find the same line that the reader takes a value from, so its scanner
// follows SimpleIni's parser step by step: whitespace includes line ends, ';' and '#'
// start comment lines, a section name may follow "[" on a later line, a key line needs an
// "=", the last of several equal keys wins, and nothing after a NUL byte is seen.
#include "common/profile.h"

#include "common/atomic_file.h"
#include "common/localizer.h"
#include "common/text.h"
#include "common/tov_error.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <charconv>
#include <vector>

namespace tov {
namespace profile_text {
namespace {

constexpr std::string_view kUtf8Signature = "\xEF\xBB\xBF";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isNewLine(char c)
{
    return c == '\r' || c == '\n';
}
bool isComment(char c)
{
    return c == ';' || c == '#';
}

std::string_view trimTrailing(std::string_view s)
{
    while (!s.empty() && isSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

struct Line {
    enum class Kind { Section, Entry } kind;
    std::string_view section; // the section this line opens or belongs to
    std::string_view key;     // Entry only
    size_t valueStart = 0;    // Entry only: first byte after "="
    size_t lineEnd = 0;       // the line's newline character, or the end of the text
};

// The visible part of a settings text: after a UTF-8 signature, before any NUL byte.
struct Visible {
    size_t begin = 0;
    size_t end = 0;
};

Visible visiblePart(std::string_view content)
{
    Visible v;
    v.end = std::min(content.find('\0'), content.size());
    if (content.substr(0, v.end).starts_with(kUtf8Signature)) {
        v.begin = kUtf8Signature.size();
    }
    return v;
}

// The sections and entries of the visible text, in file order.
std::vector<Line> scan(std::string_view content)
{
    const Visible visible = visiblePart(content);
    const std::string_view data = content.substr(0, visible.end);
    std::vector<Line> lines;
    std::string_view section;
    size_t pos = visible.begin;
    const auto toLineEnd = [&] {
        while (pos < data.size() && !isNewLine(data[pos])) {
            ++pos;
        }
    };
    while (pos < data.size()) {
        while (pos < data.size() && isSpace(data[pos])) {
            ++pos;
        }
        if (pos == data.size()) {
            break;
        }
        if (isComment(data[pos])) {
            toLineEnd();
            continue;
        }
        if (data[pos] == '[') {
            ++pos;
            while (pos < data.size() && isSpace(data[pos])) {
                ++pos;
            }
            const size_t nameStart = pos;
            while (pos < data.size() && data[pos] != ']' && !isNewLine(data[pos])) {
                ++pos;
            }
            if (pos == data.size() || data[pos] != ']') {
                continue; // not a section line; skipped whole
            }
            section = trimTrailing(data.substr(nameStart, pos - nameStart));
            ++pos;
            toLineEnd();
            lines.push_back({Line::Kind::Section, section, {}, 0, pos});
            continue;
        }
        const size_t keyStart = pos;
        while (pos < data.size() && data[pos] != '=' && !isNewLine(data[pos])) {
            ++pos;
        }
        if (pos == data.size() || data[pos] != '=') {
            continue; // a line without "=" holds no entry
        }
        if (pos == keyStart) {
            toLineEnd(); // "=value" has no key
            continue;
        }
        const std::string_view key = trimTrailing(data.substr(keyStart, pos - keyStart));
        const size_t valueStart = pos + 1;
        toLineEnd();
        lines.push_back({Line::Kind::Entry, section, key, valueStart, pos});
    }
    return lines;
}

std::string_view lineEnding(std::string_view content)
{
    const size_t lf = content.find('\n');
    if (lf != std::string_view::npos) {
        return (lf > 0 && content[lf - 1] == '\r') ? "\r\n" : "\n";
    }
    return content.find('\r') != std::string_view::npos ? "\r" : "\n";
}

void checkNames(std::string_view section, std::string_view key, std::string_view value)
{
    const auto breaksLine = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    const bool badSection = section.empty() || breaksLine(section) ||
                            section.find(']') != std::string_view::npos ||
                            isSpace(section.front()) || isSpace(section.back());
    const bool badKey = key.empty() || breaksLine(key) || key.find('=') != std::string_view::npos ||
                        isSpace(key.front()) || isSpace(key.back()) || isComment(key.front()) ||
                        key.front() == '[';
    if (badSection || badKey || breaksLine(value)) {
        throw TovError("Cannot store \"" + std::string(key) + "\" in section \"" +
                       std::string(section) + "\" of the settings file");
    }
}

} // namespace

std::optional<std::string> lookup(std::string_view content, std::string_view section,
                                  std::string_view key)
{
    CSimpleIniA ini; // the case-insensitive flavour
    if (ini.LoadData(content.data(), content.size()) < 0) {
        return std::nullopt;
    }
    const std::string s(section);
    const std::string k(key);
    const char* value = ini.GetValue(s.c_str(), k.c_str(), nullptr);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

namespace {

// How a new section is appended: Guarded puts a comment line before its header, for a
// file whose last line would otherwise swallow it.
enum class NewSection { Plain, Guarded };

// The content with the key set, before any check that it reads back.
std::string edited(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value, NewSection newSection)
{
    const std::vector<Line> lines = scan(content);
    std::string out(content);

    // The reader takes the last of equal keys, so that is the line to rewrite.
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->kind == Line::Kind::Entry &&
            text::equalsIgnoringAsciiCase(line->section, section) &&
            text::equalsIgnoringAsciiCase(line->key, key)) {
            out.replace(line->valueStart, line->lineEnd - line->valueStart, value);
            return out;
        }
    }

    const std::string eol(lineEnding(content));
    const std::string entry = std::string(key) + "=" + std::string(value);

    // The section exists: add the key after the last line of its last occurrence.
    const Line* last = nullptr;
    for (const Line& line : lines) {
        if (line.kind == Line::Kind::Section) {
            last = text::equalsIgnoringAsciiCase(line.section, section) ? &line : last;
        } else if (last != nullptr && text::equalsIgnoringAsciiCase(line.section, section)) {
            last = &line;
        }
    }
    if (last != nullptr) {
        out.insert(last->lineEnd, eol + entry);
        return out;
    }

    // A new section goes at the end of what the reader sees.
    const Visible visible = visiblePart(content);
    std::string block;
    if (visible.end > visible.begin && !isNewLine(content[visible.end - 1])) {
        block += eol;
    }
    if (newSection == NewSection::Guarded) {
        // A dangling "[" at the end would take the next line for its name; a line without
        // "]" ends that name and leaves our section header intact.
        block += ";" + eol;
    }
    // Appended piece by piece: "[" + std::string&& inserts at the front, which GCC 12
    // misreads as an overlapping copy (-Wrestrict, GCC bug 105651) at -O3.
    block += '[';
    block += section;
    block += ']';
    block += eol;
    block += entry;
    block += eol;
    out.insert(visible.end, block);
    return out;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isSpace(s.front())) {
        s.remove_prefix(1);
    }
    return trimTrailing(s);
}

} // namespace

std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value)
{
    checkNames(section, key, value);
    // Never store a value that would not read back: check with the reader itself.
    for (const NewSection newSection : {NewSection::Plain, NewSection::Guarded}) {
        std::string out = edited(content, section, key, value, newSection);
        if (lookup(out, section, key) == trimmed(value)) {
            return out;
        }
    }
    throw TovError("The settings file is damaged: \"" + std::string(key) + "\" cannot be stored");
}

std::optional<int32_t> parseInteger(std::string_view value)
{
    while (!value.empty() && isSpace(value.front())) {
        value.remove_prefix(1);
    }
    value = trimTrailing(value);
    if (value.starts_with('+')) {
        value.remove_prefix(1);
        if (value.starts_with('-')) {
            return std::nullopt;
        }
    }
    int32_t result = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
        return std::nullopt;
    }
    return result;
}

} // namespace profile_text

namespace {

std::string contentOf(const std::filesystem::path& file)
{
    return files::readFile(file).value_or(std::string());
}

std::string unsavedKey(std::string_view section, std::string_view key)
{
    // Names match without regard to ASCII case, as the file's own lookup does.
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    std::string id;
    for (const char c : section) {
        id += lower(c);
    }
    id += '\n';
    for (const char c : key) {
        id += lower(c);
    }
    return id;
}

} // namespace

std::optional<std::string> Profile::unsaved(std::string_view section, std::string_view key) const
{
    if (unsaved_.empty()) {
        return std::nullopt;
    }
    const auto it = unsaved_.find(unsavedKey(section, key));
    return it == unsaved_.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool Profile::exists() const
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(file_, ignored);
}

std::string Profile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const
{
    if (auto held = unsaved(section, key)) {
        return *held;
    }
    return profile_text::lookup(contentOf(file_), section, key).value_or(std::string(fallback));
}

int32_t Profile::readInteger(std::string_view section, std::string_view key, int32_t fallback) const
{
    auto text = unsaved(section, key);
    if (!text) {
        text = profile_text::lookup(contentOf(file_), section, key);
    }
    if (!text) {
        return fallback;
    }
    return profile_text::parseInteger(*text).value_or(fallback);
}

bool Profile::readBool(std::string_view section, std::string_view key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

void Profile::writeString(std::string_view section, std::string_view key,
                          std::string_view value) const
{
    // A name or value that would break the file's lines is the caller's bug: refused
    // before anything else, held or not.
    const std::string checked = profile_text::withValue(std::string(), section, key, value);
    if (heldInMemory_) {
        unsaved_[unsavedKey(section, key)] = std::string(value);
        return;
    }
    try {
        std::error_code ignored;
        const bool present = std::filesystem::exists(file_, ignored);
        if (std::filesystem::is_directory(file_, ignored)) {
            throw TovError("\"" + files::displayName(file_) + "\" is a folder");
        }
        const auto content = files::readFile(file_);
        if (present && !content) {
            // Writing now would replace a file we could not read with one key.
            throw TovError("Cannot read the settings file \"" + files::displayName(file_) + "\"");
        }
        files::writeFileAtomically(
            file_, profile_text::withValue(content.value_or(std::string()), section, key, value));
    } catch (const TovError& error) {
        if (!reporter_) {
            throw;
        }
        heldInMemory_ = true;
        unsaved_[unsavedKey(section, key)] = std::string(value);
        reporter_(message(Message::NotStored) + " " + error.what() + ". " +
                  message(Message::HeldUntilEnd));
    }
}

void Profile::writeInteger(std::string_view section, std::string_view key, int32_t value) const
{
    writeString(section, key, std::to_string(value));
}

} // namespace tov
