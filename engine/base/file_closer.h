// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace brenvik {

// A stdio file that is closed when its owner goes. Where the close's result matters, the owner
// closes it itself: std::fclose(file.release()).
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens an audio file the engine loads: an existing regular file only, never a FIFO, a
// terminal or a device, and without blocking on any of them. Returns the descriptor, or -1.
inline int openRegularFile(const char* path)
{
    struct stat status {};
    // Something else is not even opened: opening a device can do things of its own.
    if (::stat(path, &status) == 0 && !S_ISREG(status.st_mode)) {
        return -1;
    }
    // Without O_NONBLOCK a FIFO put in the file's place since the stat would hold the open up.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const int statusFlags = ::fcntl(fd, F_GETFL);
    const bool usable = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && statusFlags != -1 &&
                        ::fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK) == 0;
    if (!usable) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The same file as a binary stdio stream.
inline File openRegularStream(const char* path)
{
    const int fd = openRegularFile(path);
    if (fd < 0) {
        return nullptr;
    }
    File file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
    }
    return file;
}

}  // namespace brenvik
