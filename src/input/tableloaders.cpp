// The braille table and key-name loaders: line splitting, the section rules, the code
// conversion and the file reading.
#include "input/tableloaders.h"

#include "common/localizer.h"
#include "common/text.h"
#include "common/tov_error.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace tov::input {
namespace {

constexpr std::string_view kPrefixesSection = "prefixes";
constexpr std::string_view kCharactersSection = "characters";
constexpr char kSectionStart = '[';
constexpr char kPrefixMark = '#';

// Hands out a file's lines without their line ends. A CR counts as part of the line end
// only right before the LF or at the end of the file; anywhere else it is a character.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<std::string_view> next()
    {
        if (pos_ >= bytes_.size()) {
            return std::nullopt;
        }
        const size_t end = bytes_.find('\n', pos_);
        std::string_view line = bytes_.substr(
            pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_);
        pos_ = end == std::string_view::npos ? bytes_.size() : end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        return line;
    }

private:
    std::string_view bytes_;
    size_t pos_ = 0; //: start of the next line
};

// What the left-hand side of a line without "=" is: the braille table reads "12" as the
// entry "12=12", the key-name file as "=12", whose empty code is then refused.
enum class LineWithoutEquals { LeftIsWholeLine, LeftIsEmpty };

struct EntrySides {
    std::string_view left;
    std::string_view right;
};

EntrySides splitEntry(std::string_view line, LineWithoutEquals rule)
{
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return {rule == LineWithoutEquals::LeftIsWholeLine ? line : std::string_view(), line};
    }
    return {line.substr(0, equals), line.substr(equals + 1)};
}

bool isHeader(std::string_view line)
{
    return line.starts_with(kSectionStart);
}

// The header without its first and last character: "[#cap]" names "#cap", and "[x] "
// names "x]" (which is no known section).
std::string_view sectionName(std::string_view header)
{
    return header.size() < 2 ? std::string_view() : header.substr(1, header.size() - 2);
}

void addPrefix(BrailleTables& tables, std::string_view line)
{
    if (tables.brlprefcount >= kMaxPrefixes) {
        return;
    }
    const EntrySides sides = splitEntry(line, LineWithoutEquals::LeftIsWholeLine);
    tables.brlprefixes[tables.brlprefcount++] = {std::string(sides.left), std::string(sides.right)};
}

void addCharacter(BrailleTables& tables, std::string_view prefix, std::string_view line)
{
    if (tables.brlcharcount >= kMaxCharacters) {
        return;
    }
    const EntrySides sides = splitEntry(line, LineWithoutEquals::LeftIsWholeLine);
    tables.brlchars[tables.brlcharcount++] = {std::string(prefix), std::string(sides.left),
                                              std::string(sides.right)};
}

[[noreturn]] void notAnInteger(std::string_view text)
{
    throw TovError("'" + std::string(text) + "' is not a valid integer value");
}

int digitValue(char c, int base)
{
    int value = base; // no digit
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

[[noreturn]] void ioError(int error)
{
    switch (error) {
    case ENOENT:
        throw TovError("File not found");
    case ENOTDIR:
        throw TovError("Path not found");
    case EACCES:
    case EPERM:
        throw TovError("Access denied");
    case EISDIR:
        throw TovError("Is a folder");
    default:
        // The system's words come in the locale's encoding, UTF-8 on every system we run on.
        throw TovError(text::fromUtf8(std::generic_category().message(error)));
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

void parseBrailleTable(std::string_view bytes, BrailleTables& tables)
{
    tables.brlcharcount = 0;
    LineReader lines(bytes);
    std::optional<std::string_view> line = lines.next();
    while (line && !isHeader(*line)) {
        line = lines.next();
    }
    // Here `line` is always a header or the end of the file.
    while (line) {
        const std::string_view section = sectionName(*line);
        const bool isPrefixes = section == kPrefixesSection;
        // [characters] and every [#name] hold character entries; other sections are skipped.
        const bool holdsCharacters =
            section == kCharactersSection || section.starts_with(kPrefixMark);
        const std::string_view prefix =
            section == kCharactersSection ? std::string_view() : section;
        if (isPrefixes) {
            tables.brlprefcount = 0;
        }
        while ((line = lines.next()) && !isHeader(*line)) {
            if (isPrefixes && line->starts_with(kPrefixMark)) {
                addPrefix(tables, *line);
            } else if (holdsCharacters && !line->empty()) {
                addCharacter(tables, prefix, *line);
            }
        }
    }
}

void parseKeyNames(std::string_view bytes, BrailleTables& tables)
{
    LineReader lines(bytes);
    size_t index = 0;
    while (const std::optional<std::string_view> line = lines.next()) {
        if (line->empty()) {
            continue;
        }
        if (index >= kKeyNameCount) {
            return;
        }
        const EntrySides sides = splitEntry(*line, LineWithoutEquals::LeftIsEmpty);
        const int32_t code = StrToInt(sides.left);
        tables.echokeys[index++] = {static_cast<uint8_t>(code & 0xFF), std::string(sides.right)};
    }
}

int32_t StrToInt(std::string_view text)
{
    size_t pos = 0;
    bool isNegative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        isNegative = text[pos] == '-';
        ++pos;
    }
    const bool isHex = pos < text.size() && text[pos] == '$';
    if (isHex) {
        ++pos;
    }
    if (pos == text.size()) {
        notAnInteger(text);
    }
    const int base = isHex ? 16 : 10;
    // Hexadecimal is a 32-bit pattern; decimal must fit a signed 32-bit number.
    const uint64_t limit = isHex ? 0xFFFFFFFFu : (isNegative ? 0x80000000u : 0x7FFFFFFFu);
    uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = digitValue(text[pos], base);
        if (digit < 0) {
            notAnInteger(text);
        }
        value = value * base + static_cast<uint64_t>(digit);
        if (value > limit) {
            notAnInteger(text);
        }
    }
    uint32_t bits = static_cast<uint32_t>(value);
    if (isNegative) {
        bits = 0u - bits;
    }
    return static_cast<int32_t>(bits);
}

void checkBrailleTable(const BrailleTables& tables)
{
    if (tables.brlcharcount == 0) {
        throw TovError("No braille characters (a [characters] section with entries)");
    }
    // A chord is a set of dots, 1 to 8, or the space bar alone; anything else can never be
    // typed, and a table cut short or of random bytes shows it.
    const auto isChord = [](std::string_view dots) {
        return dots == kSpaceChord ||
               (!dots.empty() && dots.find_first_not_of("12345678") == std::string_view::npos);
    };
    const auto refuse = [](std::string_view left, std::string_view dots) {
        constexpr size_t kShown = 30;
        std::string entry =
            std::string(left.substr(0, kShown)) + "=" + std::string(dots.substr(0, kShown));
        throw TovError("'" + entry + "' has no valid dots");
    };
    for (const brlpreftype& prefix : tables.prefixes()) {
        if (!isChord(prefix.dots)) {
            refuse(prefix.name, prefix.dots);
        }
    }
    for (const brlchartype& entry : tables.characters()) {
        if (!isChord(entry.dots)) {
            refuse(entry.character, entry.dots);
        }
    }
}

std::string readTableFile(const std::filesystem::path& file)
{
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        ioError(errno);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ioError(errno);
        }
        if (got == 0) {
            return bytes;
        }
        if (bytes.size() + static_cast<size_t>(got) > kLargestTableFile) {
            // A device or a wrong file named like a table: stop before it fills memory.
            throw TovError("Too large for a table (over " + std::to_string(kLargestTableFile) +
                           " bytes)");
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

void LoadBrailleTable()
{
    BrailleTables& tables = brailleTables();
    tables.brlcharcount = 0;
    parseBrailleTable(readTableFile(tables.brailletablefile), tables);
    try {
        checkBrailleTable(tables);
    } catch (const TovError&) {
        // Half a table would type wrong letters; none types nothing, and the user is told.
        tables.brlcharcount = 0;
        tables.brlprefcount = 0;
        throw;
    }
}

void LoadKeyNames()
{
    BrailleTables& tables = brailleTables();
    parseKeyNames(readTableFile(tables.keynamefile), tables);
}

namespace {

// Both tables in the start-up order; `loading` names the file being read when an error
// leaves.
void loadKeyboardTables(const TableLocator& locate, const std::filesystem::path*& loading)
{
    BrailleTables& tables = brailleTables();
    loading = &tables.brailletablefile;
    tables.brailletablefile = locate(kBrailleTableFile);
    LoadBrailleTable();
    const std::string keyNameFile = message(Message::KeyNameFile) + kKeyNameExtension;
    loading = &tables.keynamefile;
    tables.keynamefile = locate(text::toUtf8(keyNameFile));
    LoadKeyNames();
}

} // namespace

void LoadKeyboardTables(const TableLocator& locate)
{
    const std::filesystem::path* loading = nullptr;
    loadKeyboardTables(locate, loading);
}

void LoadKeyboardTables(const std::filesystem::path& workdir)
{
    LoadKeyboardTables([&workdir](const std::string& name) { return workdir / name; });
}

std::string loadKeyboardTablesTelling(const TableLocator& locate)
{
    const std::filesystem::path* loading = nullptr;
    try {
        loadKeyboardTables(locate, loading);
    } catch (const TovError& error) {
        return std::string(error.what()) + ": " + loading->filename().string();
    }
    return {};
}

} // namespace tov::input
