// POSIX implementation of the whole-file helpers: mkstemp + fsync + rename.
#include "common/atomic_file.h"

#include "common/text.h"
#include "common/tov_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tov::files {
namespace {

// Closes the descriptor and removes the temporary file unless the rename succeeded.
class TempFile {
public:
    explicit TempFile(std::string pattern) : path_(std::move(pattern))
    {
        fd_ = ::mkstemp(path_.data());
        created_ = fd_ >= 0;
    }
    ~TempFile()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (created_ && !committed_) {
            ::unlink(path_.c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }
    void commit() { committed_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool created_ = false;
    bool committed_ = false;
};

[[noreturn]] void fail(const std::filesystem::path& path, int error)
{
    throw TovError("Cannot write the file \"" + displayName(path) +
                   "\": " + text::fromUtf8(std::strerror(error)));
}

// The file a write of `path` replaces: `path` itself, or the end of its chain of
// symbolic links (a relative link is read from the link's own folder). A chain too long
// to be a real one is left to rename, which then replaces the first link.
std::filesystem::path writeTarget(const std::filesystem::path& path)
{
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
            return target;
        }
        const std::filesystem::path link = std::filesystem::read_symlink(target, error);
        if (error) {
            return target;
        }
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return path;
}

// A replaced file keeps its mode; a new one gets 0644 less the umask (the owner can always
// read and write it: some platforms report a umask of 0777). Never writable by everyone,
// never set-id: anyone could then change what the program reads back.
mode_t modeFor(const struct stat* existing)
{
    constexpr mode_t kNotForOthers = S_IWOTH | S_ISUID | S_ISGID | S_ISVTX;
    if (existing != nullptr) {
        return existing->st_mode & 07777 & ~kNotForOthers;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ((0644 & ~mask) | S_IRUSR | S_IWUSR) & ~kNotForOthers;
}

// The temporary file's name for `target`: hidden, beside it, with mkstemp's six letters.
std::string temporaryPattern(const std::filesystem::path& target)
{
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    // Appended piece by piece: "." + std::string&& inserts at the front, which GCC 12
    // misreads as an overlapping copy (-Wrestrict, GCC bug 105651) when optimising.
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    return (folder / hidden).string();
}

} // namespace

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    const std::filesystem::path target = writeTarget(path);
    // The rename would replace a file whatever its own mode says; a file its owner made
    // read-only is the owner's word that it stays as it is (root included).
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a folder: renaming over it would put a file in its place.
        throw TovError("Cannot write the file \"" + displayName(path) + "\": " +
                       (S_ISDIR(existing.st_mode) ? "it is a folder" : "it is not a regular file"));
    }
    if (exists && (existing.st_mode & S_IWUSR) == 0) {
        throw TovError("Cannot write the file \"" + displayName(path) + "\": it is read-only");
    }
    TempFile temp(temporaryPattern(target));
    if (temp.fd() < 0) {
        fail(path, errno);
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(temp.fd(), bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(path, errno);
        }
        written += static_cast<size_t>(n);
    }
    if (::fchmod(temp.fd(), modeFor(exists ? &existing : nullptr)) != 0 ||
        ::fsync(temp.fd()) != 0) {
        fail(path, errno);
    }
    if (!temp.close()) {
        fail(path, errno);
    }
    if (::rename(temp.path().c_str(), target.c_str()) != 0) {
        fail(path, errno);
    }
    temp.commit();
}

std::optional<std::string> readFile(const std::filesystem::path& path, size_t limit)
{
    return readFileTelling(path, limit).bytes;
}

FileRead readFileTelling(const std::filesystem::path& path, size_t limit)
{
    FileRead result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    std::string bytes;
    char buffer[8192];
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - bytes.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.error = errno;
            ::close(fd);
            return result;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    result.bytes = std::move(bytes);
    return result;
}

std::string readFailure(int error)
{
    if (error == EISDIR) {
        return "is a folder";
    }
    return text::fromUtf8(std::strerror(error));
}

void removeLeftoverTemporaries(const std::filesystem::path& path, std::chrono::seconds age)
{
    const std::filesystem::path target = writeTarget(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::string prefix = "." + target.filename().string() + ".";
    constexpr size_t kLetters = 6; // mkstemp's XXXXXX
    const auto now = std::chrono::system_clock::now();
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + kLetters ||
            name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid()) {
            continue;
        }
        const auto modified = std::chrono::system_clock::from_time_t(info.st_mtime);
        if (now - modified >= age) {
            ::unlink(it->path().c_str());
        }
    }
}

std::string displayName(const std::filesystem::path& path)
{
    return text::fromUtf8(path.string());
}

} // namespace tov::files
