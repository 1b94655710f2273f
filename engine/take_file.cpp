// SPDX-License-Identifier: GPL-3.0-or-later
#include "take_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>

#include "session_memory.h"

namespace brenvik {

namespace fs = std::filesystem;

namespace {

// Enough names for a few engines at once and the unsaved takes they left (a test run leaves
// a few hundred small ones).
constexpr int kMostTakes = 1000;
constexpr std::size_t kFixedBytes = offsetof(TakeHeader, trackLength) + sizeof(int32_t);

std::string takeName(int number)
{
    return "take-" + std::to_string(number) + ".ring";
}

bool isTakeName(const std::string& name)
{
    return name.starts_with("take-") && name.ends_with(".ring");
}

// What the header of the open file at path says, checked against the file's size.
TakeInfo inspectOpen(int fd, const std::string& path)
{
    TakeInfo info;
    info.path = path;
    info.refusal = TakeRefusal::kBrokenHeader;
    struct stat status {};
    TakeHeader header{};
    if (::fstat(fd, &status) != 0 || status.st_size < static_cast<off_t>(TakeHeader::kBytes) ||
        ::pread(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
        header.mark != TakeHeader::kMark) {
        return info;
    }
    if (header.version != TakeHeader::kVersion) {
        info.refusal = TakeRefusal::kOtherVersion;
        return info;
    }
    const int32_t length = header.trackLength;
    if (header.headerBytes != TakeHeader::kBytes || header.check != header.fixedCheck() ||
        length < 1 || length > SessionMemory::kMaxFrames) {
        return info;
    }
    if (static_cast<std::size_t>(status.st_size) != takeFileBytes(length)) {
        info.refusal = TakeRefusal::kWrongSize;
        return info;
    }
    const bool known = header.phase == TakeHeader::kEmpty ||
                       header.phase == TakeHeader::kRecording ||
                       header.phase == TakeHeader::kStopped;
    if (!known || header.ringEnd < 0 || header.ringEnd >= length || header.recordedFrames < 0) {
        return info;
    }
    info.refusal = TakeRefusal::kNone;
    info.phase = header.phase;
    info.saved = header.saved != 0;
    info.trackLength = length;
    info.recordedFrames = header.recordedFrames;
    info.startedMs = header.startedMs;
    info.lastFrameMs = header.lastFrameMs;
    info.source.assign(header.source.data(), strnlen(header.source.data(), header.source.size()));
    return info;
}

// The file at path opened for writing and locked for this process alone; -1 when it cannot
// be opened or another process holds it.
int openLocked(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | flags, 0600);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool worthKeeping(const TakeInfo& info)
{
    return info.refusal != TakeRefusal::kNone || info.unsaved();
}

}  // namespace

int64_t wallClockMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

void TakeHeader::start(int32_t frames)
{
    *this = TakeHeader{};
    mark = kMark;
    version = kVersion;
    headerBytes = kBytes;
    trackLength = frames;
    phase = kEmpty;
    check = fixedCheck();
}

uint32_t TakeHeader::fixedCheck() const
{
    // FNV-1a over the fields written once when the file was made.
    uint32_t hash = 2166136261u;
    const auto* bytes = reinterpret_cast<const unsigned char*>(this);
    for (std::size_t i = 0; i < kFixedBytes; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}

bool TakeInfo::unsaved() const
{
    if (refusal != TakeRefusal::kNone) {
        return false;
    }
    return phase == TakeHeader::kRecording ||
           (phase == TakeHeader::kStopped && !saved && recordedFrames > 0);
}

std::size_t takeFileBytes(int32_t frames)
{
    return TakeHeader::kBytes + static_cast<std::size_t>(frames) * sizeof(Frame);
}

TakeInfo inspectTake(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        TakeInfo missing;
        missing.path = path;
        missing.refusal = TakeRefusal::kBrokenHeader;
        return missing;
    }
    TakeInfo info = inspectOpen(fd, path);
    ::close(fd);
    return info;
}

std::string TakeFile::folder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return std::string(state) + "/quorvel";
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.local/state/quorvel" : "";
}

std::optional<TakeFile> TakeFile::create(const std::string& folder, int32_t frames)
{
    std::error_code error;
    if (folder.empty() || (fs::create_directories(folder, error), error)) {
        return std::nullopt;
    }
    fs::permissions(folder, fs::perms::owner_all, error);
    for (int number = 1; number <= kMostTakes; ++number) {
        const std::string path = folder + "/" + takeName(number);
        const int fd = openLocked(path, O_CREAT);
        if (fd < 0) {
            continue;
        }
        struct stat status {};
        if (::fstat(fd, &status) != 0 ||
            (status.st_size != 0 && worthKeeping(inspectOpen(fd, path)))) {
            ::close(fd);
            continue;
        }
        const std::size_t bytes = takeFileBytes(frames);
        if (::ftruncate(fd, 0) != 0 || ::posix_fallocate(fd, 0, static_cast<off_t>(bytes)) != 0) {
            ::unlink(path.c_str());
            ::close(fd);
            return std::nullopt;  // no room: the next name would have none either
        }
        std::optional<TakeFile> file = map(path, fd);
        if (!file) {
            ::unlink(path.c_str());
            return std::nullopt;
        }
        file->header().start(frames);
        file->flushHeader();
        return file;
    }
    return std::nullopt;
}

std::optional<TakeFile> TakeFile::takeUnsaved(const std::string& path)
{
    const int fd = openLocked(path, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    if (!inspectOpen(fd, path).unsaved()) {
        ::close(fd);
        return std::nullopt;
    }
    return map(path, fd);
}

std::vector<TakeInfo> TakeFile::survey(const std::string& folder)
{
    std::vector<TakeInfo> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename();
        if (!isTakeName(name)) {
            continue;
        }
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        // A running engine holds its file; what it says is still changing.
        if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
            TakeInfo info = inspectOpen(fd, entry.path());
            if (worthKeeping(info)) {
                found.push_back(std::move(info));
            }
        }
        ::close(fd);
    }
    std::sort(found.begin(), found.end(), [](const TakeInfo& a, const TakeInfo& b) {
        return a.lastFrameMs != b.lastFrameMs ? a.lastFrameMs > b.lastFrameMs : a.path < b.path;
    });
    return found;
}

bool TakeFile::discard(const std::string& path)
{
    const int fd = openLocked(path, 0);
    if (fd < 0) {
        return false;
    }
    const bool removed = inspectOpen(fd, path).unsaved() && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

std::optional<TakeFile> TakeFile::map(std::string path, int fd)
{
    struct stat status {};
    void* mapping = MAP_FAILED;
    if (::fstat(fd, &status) == 0) {
        mapping = ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ | PROT_WRITE,
                         MAP_SHARED, fd, 0);
    }
    if (mapping == MAP_FAILED) {
        ::close(fd);
        return std::nullopt;
    }
    return TakeFile(std::move(path), fd, mapping, static_cast<std::size_t>(status.st_size));
}

TakeFile::TakeFile(std::string path, int fd, void* mapping, std::size_t bytes)
    : path_(std::move(path)),
      fd_(fd),
      mapping_(mapping),
      bytes_(bytes)
{}

TakeFile::TakeFile(TakeFile&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(std::exchange(other.fd_, -1)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      bytes_(std::exchange(other.bytes_, 0))
{}

TakeFile& TakeFile::operator=(TakeFile&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        mapping_ = std::exchange(other.mapping_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

TakeFile::~TakeFile()
{
    release();
}

void TakeFile::release()
{
    if (mapping_ != nullptr) {
        ::munmap(mapping_, bytes_);
    }
    if (fd_ >= 0) {
        ::close(fd_);  // also lets go of the lock
    }
}

std::span<Frame> TakeFile::frames() const
{
    auto* first = reinterpret_cast<Frame*>(static_cast<std::byte*>(mapping_) + TakeHeader::kBytes);
    return {first, (bytes_ - TakeHeader::kBytes) / sizeof(Frame)};
}

bool TakeFile::flushFrames(int64_t from, int64_t to) const
{
    static const auto kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t first = TakeHeader::kBytes + static_cast<std::size_t>(from) * sizeof(Frame);
    const std::size_t end = TakeHeader::kBytes + static_cast<std::size_t>(to) * sizeof(Frame);
    const std::size_t start = first / kPage * kPage;
    return ::msync(static_cast<std::byte*>(mapping_) + start, end - start, MS_SYNC) == 0;
}

bool TakeFile::flushHeader() const
{
    return ::msync(mapping_, TakeHeader::kBytes, MS_SYNC) == 0;
}

bool TakeFile::flushAll() const
{
    return ::fdatasync(fd_) == 0;
}

}  // namespace brenvik
