// PRINT, INPUT, the memory image and the data file.
#include "runtime/console.h"

#include "common/atomic_file.h"
#include "common/localizer.h"
#include "common/tov_error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tov::runtime {
namespace {

constexpr int kZoneWidth = 8;
constexpr int kLastZoneColumn = 72; // past it, PRINT x, ends the line
constexpr auto kPunctuationPause = std::chrono::milliseconds(300);
constexpr std::string_view kSilentPunctuation = ".,;?";

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view trimLeadingBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view trimBlanks(std::string_view s)
{
    s = trimLeadingBlanks(s);
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool isSilentPunctuation(char c)
{
    return kSilentPunctuation.find(c) != std::string_view::npos;
}

} // namespace

Console::Console(std::filesystem::path workdir) : workdir_(std::move(workdir)) {}

std::filesystem::path Console::locate(const std::string& name) const
{
    if (locator_) {
        return locator_(name);
    }
    return workdir_.empty() ? std::filesystem::path(name) : workdir_ / name;
}

std::filesystem::path Console::fileInWorkdir(const char* name) const
{
    return locate(name);
}

// ---------------------------------------------------------------------------------------
// Screen and PRINT

void Console::padLine(std::string& line) const
{
    if (line.size() < kScreenColumns) {
        line.resize(kScreenColumns, ' ');
    }
}

// Overwrites the cursor's line from the cursor's column on; the chunk fits the line.
void Console::putText(std::string_view chunk)
{
    std::string line = screen_.line(cursor_.row());
    padLine(line);
    line.replace(cursor_.column(), chunk.size(), chunk);
    screen_.replaceLine(cursor_.row(), std::move(line));
}

void Console::newline()
{
    cursor_.setcolumn(0);
    if (cursor_.row() + 1 > kScreenRows - 1) {
        cursor_.setrow(kScreenRows - 1);
        screen_.scrollUp();
    } else {
        cursor_.setrow(static_cast<uint8_t>(cursor_.row() + 1));
    }
}

void Console::writescreen(std::string_view text)
{
    // A full line (column 80) does not wrap by itself: the next text that arrives wraps.
    while (cursor_.column() + text.size() > kScreenColumns) {
        const size_t room =
            cursor_.column() >= kScreenColumns ? 0 : kScreenColumns - size_t{cursor_.column()};
        putText(text.substr(0, room));
        text.remove_prefix(room);
        newline();
    }
    putText(text);
    cursor_.setcolumn(static_cast<uint8_t>(cursor_.column() + text.size()));

    switch (static_cast<PrintMode>(printmode_)) {
    case PrintMode::EndLine:
        newline();
        break;
    case PrintMode::Stay:
        break;
    case PrintMode::NextZone: {
        const int column = cursor_.column();
        if (column > kLastZoneColumn) {
            newline();
            break;
        }
        // The notetaker's own quirk: one column past a zone start moves on by one, not seven.
        const int k = column % kZoneWidth;
        const int advance = k == 0 ? 0 : (k == 1 ? 1 : kZoneWidth - k);
        cursor_.setcolumn(static_cast<uint8_t>(column + advance));
        break;
    }
    }
}

PrintedText Console::whatWasPrinted(std::string_view text, PrintMode mode) const
{
    const int row = cursor_.row();
    const bool endsLine =
        mode == PrintMode::EndLine || (mode == PrintMode::NextZone && cursor_.column() == 0);
    // Ending the line on the last row scrolled the screen: the text moved up with it, so
    // it is one row above the cursor either way.
    return {text, mode, endsLine ? std::max(0, row - 1) : row, endsLine};
}

void Console::tellInputEnded(std::string_view line)
{
    for (PrintObserver* observer : host_.observers) {
        observer->inputEnded(line);
    }
}

void Console::print(std::string_view text, PrintMode mode)
{
    printmode_ = static_cast<uint8_t>(mode);
    writescreen(text);
    const PrintedText printed = whatWasPrinted(text, mode);
    for (PrintObserver* observer : host_.observers) {
        observer->printed(printed);
    }
    if (text.empty()) {
        return;
    }
    // Leading ". , ; ?" are not read aloud: each one becomes a pause before the rest.
    std::string_view spoken = text;
    const std::string_view trimmed = trimLeadingBlanks(text);
    if (!trimmed.empty() && isSilentPunctuation(trimmed.front())) {
        spoken = trimmed;
        while (!spoken.empty() && isSilentPunctuation(spoken.front())) {
            host_.pauser->pause(kPunctuationPause);
            spoken.remove_prefix(1);
        }
    }
    host_.speech->say(std::string(spoken));
}

// ---------------------------------------------------------------------------------------
// INPUT

void Console::input(std::string& target, InputMode mode)
{
    if (mode != InputMode::Continue) {
        inputbuffer_.clear();
    }
    if (inputbuffer_.empty()) {
        host_.dialog->setEditText({});
        host_.dialog->activateEdit();
        if (mode != InputMode::NewLine) {
            print(message(Message::EnterData), PrintMode::EndLine);
        }
        for (PrintObserver* observer : host_.observers) {
            observer->inputStarted();
        }
        const bool confirmed = host_.dialog->showModal() == DialogResult::Ok;
        const std::string line = confirmed ? host_.dialog->editText() : std::string();
        tellInputEnded(trimBlanks(line));
        if (confirmed) {
            inputbuffer_ = std::string(trimBlanks(line));
            if (inputbuffer_.starts_with(',')) {
                // The line began with an empty value.
                target.clear();
                inputbuffer_.erase(0, 1);
                return;
            }
        }
    }
    if (inputbuffer_.empty()) {
        return;
    }
    handOutValue(target);
}

// Takes the next value off the front of a non-empty input buffer.
void Console::handOutValue(std::string& target)
{
    if (inputbuffer_.starts_with(',')) {
        inputbuffer_.erase(0, 1); // the comma that ended the previous value
    }
    inputbuffer_ = std::string(trimBlanks(inputbuffer_));
    if (inputbuffer_.starts_with('"')) {
        const size_t close = inputbuffer_.find('"', 1);
        if (close == std::string::npos) {
            target = inputbuffer_.substr(1);
            inputbuffer_.clear();
        } else {
            target = inputbuffer_.substr(1, close - 1);
            inputbuffer_ =
                std::string(trimBlanks(std::string_view(inputbuffer_).substr(close + 1)));
        }
        return;
    }
    const size_t comma = inputbuffer_.find(',');
    if (comma == std::string::npos) {
        target = std::move(inputbuffer_);
        inputbuffer_.clear();
    } else {
        target = inputbuffer_.substr(0, comma);
        inputbuffer_ = std::string(trimBlanks(std::string_view(inputbuffer_).substr(comma + 1)));
    }
}

// ---------------------------------------------------------------------------------------
// Run control

void Console::resetruntime()
{
    inputbuffer_.clear();
    soundstate_ = SoundStatementState{};
    cursor_.setcolumn(0);
}

// ---------------------------------------------------------------------------------------
// Memory image

void Console::loadmemoryimage()
{
    memoryimage_.fill(0);
    memoryimageunread_ = false;
    const std::filesystem::path path = fileInWorkdir(kMemoryImageFile);
    const files::FileRead read = files::readFileTelling(path, kMemorySize);
    if (read.bytes) {
        std::copy(read.bytes->begin(), read.bytes->end(), memoryimage_.begin());
    } else if (read.error != ENOENT) {
        // The file holds the user's notes even if this run cannot see them; zeros saved
        // over it at the end would destroy them.
        memoryimageunread_ = true;
        host_.process->showMessage("Cannot read the file \"" + files::displayName(path) +
                                   "\": " + files::readFailure(read.error) +
                                   ". The memory starts empty and the file is left as it is.");
    }
}

void Console::savememoryimage() const
{
    if (memoryimageunread_) {
        return;
    }
    files::writeFileAtomically(
        fileInWorkdir(kMemoryImageFile),
        std::string_view(reinterpret_cast<const char*>(memoryimage_.data()), memoryimage_.size()));
}

uint8_t Console::peek(double address) const
{
    const double truncated = std::trunc(address);
    if (!(truncated >= 0 && truncated < static_cast<double>(kMemorySize))) {
        throw TovError("PEEK address out of range: " + std::to_string(address));
    }
    return memoryimage_[static_cast<size_t>(truncated)];
}

// ---------------------------------------------------------------------------------------
// Data file

void Console::opendatafile()
{
    const std::filesystem::path path = fileInWorkdir(kDataFile);
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return;
    }
    const files::FileRead read = files::readFileTelling(path);
    if (!read.bytes) {
        throw TovError("Cannot read the file \"" + files::displayName(path) +
                       "\": " + files::readFailure(read.error));
    }
    datafile_.emplace(*read.bytes);
}

void Console::missingFile(const char* name)
{
    host_.process->showMessage(message(Message::MissingFile) + " " + name);
    host_.process->endProcess();
    std::abort(); // a host whose endProcess returns would run the program on without its file
}

// Whether "data.dta" exists; a file that appeared after Start is opened now.
bool Console::ensureDataFile()
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(fileInWorkdir(kDataFile), ignored)) {
        return false;
    }
    if (!datafile_) {
        opendatafile();
    }
    return true;
}

void Console::readnumber(double& value)
{
    if (!ensureDataFile() || !datafile_) {
        missingFile(kDataFile);
    }
    try {
        value = parseNumber(datafile_->nextValueText());
    } catch (const TovError& error) {
        // The user must learn which file to mend, not only what is wrong in it.
        throw TovError("\"" + files::displayName(fileInWorkdir(kDataFile)) + "\": " + error.what());
    }
}

void Console::restoredata()
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(fileInWorkdir(kDataFile), ignored)) {
        missingFile(kDataFile);
    }
    datafile_.reset();
    opendatafile();
}

} // namespace tov::runtime
