// Whole-file reads and atomic whole-file writes. Every file the user owns (the memory
// image, the settings file) is written through writeFileAtomically: the bytes go to a
// temporary file in the same folder, reach the disk, and only then replace the old file
// by rename, so a crash or a full disk mid-write never leaves half a file behind.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tov::files {

// Replaces `path` with `bytes`. A file without its owner's write permission is never
// replaced (TovError "... it is read-only"). A symbolic link stays a link: its target is
// replaced. Only a regular file (or none) is replaced, and the new file keeps the old
// one's mode (0644 less the umask for a new one), never writable by everyone. On failure
// the old file is untouched, the temporary file is removed, and a TovError names the
// file and the reason in plain words.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The file's first `limit` bytes, or nothing when it does not exist or cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path,
                                    size_t limit = static_cast<size_t>(-1));

// readFile with the reason when there are no bytes: `error` is the errno (ENOENT for a
// missing file, EISDIR for a folder), 0 when the bytes were read.
struct FileRead {
    std::optional<std::string> bytes;
    int error = 0;
};
FileRead readFileTelling(const std::filesystem::path& path, size_t limit = static_cast<size_t>(-1));

// An errno in plain words for a message about a file: "is a folder", "Permission denied".
std::string readFailure(int error);

// Removes what an interrupted writeFileAtomically of `path` left behind: the hidden
// temporary files beside it (or beside its link's target) that are this user's and older
// than `age`. A write in progress by another instance is younger than that.
void removeLeftoverTemporaries(const std::filesystem::path& path,
                               std::chrono::seconds age = std::chrono::seconds(60));

// A path as it appears in a message: Windows-1250, like every text of the system.
std::string displayName(const std::filesystem::path& path);

} // namespace tov::files
