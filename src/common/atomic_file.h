// Whole-file reads and atomic whole-file writes. Every file the user owns (the memory
// image, the settings file) is written through writeFileAtomically: the bytes go to a
// temporary file in the same folder, reach the disk, and only then replace the old file
// by rename, so a crash or a full disk mid-write never leaves half a file behind.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tov::files {

// Replaces `path` with `bytes`. A file without its owner's write permission is never
// replaced (TovError "... it is read-only"). On failure the old file is untouched, the temporary
// file is removed, and a TovError names the file and the reason in plain words.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The file's first `limit` bytes, or nothing when it does not exist or cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path,
                                    size_t limit = static_cast<size_t>(-1));

// A path as it appears in a message: Windows-1250, like every text of the system.
std::string displayName(const std::filesystem::path& path);

} // namespace tov::files
