// POSIX implementation of the whole-file helpers: mkstemp + fsync + rename.
#include "common/atomic_file.h"

#include "common/text.h"
#include "common/tov_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
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

// New files get the mode a plain open() would give them; replaced files keep theirs.
mode_t modeFor(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return info.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    // The rename would replace a file whatever its own mode says; a file its owner made
    // read-only is the owner's word that it stays as it is (root included).
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        (existing.st_mode & S_IWUSR) == 0) {
        throw TovError("Cannot write the file \"" + displayName(path) + "\": it is read-only");
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    // Appended piece by piece: "." + std::string&& inserts at the front, which GCC 12
    // misreads as an overlapping copy (-Wrestrict, GCC bug 105651) when optimising.
    std::string hidden = ".";
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    TempFile temp((folder / hidden).string());
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
    if (::fchmod(temp.fd(), modeFor(path)) != 0 || ::fsync(temp.fd()) != 0) {
        fail(path, errno);
    }
    if (!temp.close()) {
        fail(path, errno);
    }
    if (::rename(temp.path().c_str(), path.c_str()) != 0) {
        fail(path, errno);
    }
    temp.commit();
}

std::optional<std::string> readFile(const std::filesystem::path& path, size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[8192];
    while (bytes.size() < limit && in) {
        const size_t want = std::min(sizeof buffer, limit - bytes.size());
        in.read(buffer, static_cast<std::streamsize>(want));
        bytes.append(buffer, static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

std::string displayName(const std::filesystem::path& path)
{
    return text::fromUtf8(path.string());
}

} // namespace tov::files
