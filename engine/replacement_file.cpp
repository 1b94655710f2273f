// SPDX-License-Identifier: GPL-3.0-or-later
#include "replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string_view>
#include <utility>

#include "stale_temporaries.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows before it gives up on a path.
constexpr int kMaxLinks = 40;
constexpr int kNameAttempts = 100;
// The most one write() takes, so that the progress of a long save moves as it goes.
constexpr std::size_t kWriteSliceBytes = std::size_t{4} << 20;

// Where a chain of symbolic links ends, a path that need not exist yet; nullopt for a link
// that cannot be read or a chain that loops.
std::optional<fs::path> pathBehindLinks(fs::path path)
{
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return path;
        }
        std::error_code error;
        const fs::path link = fs::read_symlink(path, error);
        if (error) {
            return std::nullopt;
        }
        path = path.parent_path() / link;  // an absolute link replaces the whole path
    }
    return std::nullopt;
}

// Whether target may be replaced: it is missing, or a regular file the caller may write (whose
// mode then goes to mode). A device is not even opened: opening one can do things of its own.
bool replaceable(const fs::path& target, std::optional<mode_t>& mode)
{
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISREG(status.st_mode) || ::access(target.c_str(), W_OK) != 0) {
        return false;
    }
    mode = status.st_mode & 07777;
    return true;
}

fs::path directoryOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Makes the rename itself durable; a file system that cannot sync a directory still renamed.
void syncDirectory(const fs::path& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

ReplacementFile::ReplacementFile(const char* target, std::atomic<int64_t>* progress,
                                 TemporaryFile temporary)
    : progress_(progress)
{
    const std::optional<fs::path> file = pathBehindLinks(target);
    std::optional<mode_t> mode;
    if (!file || !file->has_filename() || !replaceable(*file, mode)) {
        return;
    }
    const bool created =
        (temporary == TemporaryFile::kUnnamedWherePossible && createUnnamed(directoryOf(*file))) ||
        createBeside(*file);
    if (!created) {
        return;
    }
    // The new file's own change time is when this save began, by the file system's clock:
    // what a killed save left is older than that.
    struct stat status {};
    if (::fstat(fd_, &status) == 0) {
        removeStaleTemporaries(directoryOf(*file), status.st_ctim);
    }
    if (mode) {
        // Best effort: a file system without modes (FAT) gives every file its own.
        ::fchmod(fd_, *mode);
    }
    target_ = *file;
}

ReplacementFile::~ReplacementFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

// A file in directory that has no name yet; false where the file system (or the kernel)
// refuses such files.
bool ReplacementFile::createUnnamed(const fs::path& directory)
{
    fd_ = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_NOCTTY | O_CLOEXEC, 0666);
    return fd_ >= 0;
}

// A hidden name beside the target that no other file has: make fails with EEXIST for a name in
// use, and is tried again with another.
template <typename Make>
bool ReplacementFile::withHiddenName(Make make)
{
    const fs::path target(target_);
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name =
            (directoryOf(target) / hiddenTemporaryName(target.filename().string(), random()))
                .string();
        if (make(name)) {
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// O_EXCL never opens an existing file, and open's mode 0666 is what the umask then cuts down,
// as for any new file.
bool ReplacementFile::createBeside(const fs::path& target)
{
    target_ = target;
    return withHiddenName([this](const std::string& name) {
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        return fd_ >= 0;
    });
}

// Through /proc, as linking a descriptor directly (AT_EMPTY_PATH) needs a privilege.
bool ReplacementFile::linkBeside()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    return withHiddenName([&self](const std::string& name) {
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
}

bool ReplacementFile::append(const void* bytes, std::size_t count)
{
    const auto* next = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t written = ::write(fd_, next, std::min(count, kWriteSliceBytes));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        next += written;
        count -= static_cast<std::size_t>(written);
        if (progress_) {
            progress_->fetch_add(written);
        }
    }
    return true;
}

bool ReplacementFile::writeAt(std::size_t offset, const void* bytes, std::size_t count)
{
    const auto* next = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t written = ::pwrite(fd_, next, count, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        next += written;
        offset += static_cast<std::size_t>(written);
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReplacementFile::commit()
{
    // A full disk or a failing device may show only at the sync or the close.
    const bool flushed = ::fsync(fd_) == 0;
    const bool named = flushed && (!temporary_.empty() || linkBeside());
    const bool closed = ::close(std::exchange(fd_, -1)) == 0;
    if (!named || !closed || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return false;
    }
    temporary_.clear();
    syncDirectory(directoryOf(target_));
    return true;
}

}  // namespace brenvik
