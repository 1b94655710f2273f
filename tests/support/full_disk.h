// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <signal.h>
#include <sys/resource.h>

// A file size limit stands in for a full disk, since a device such as /dev/full is no file the
// engine writes to: while it lives, a write that would take a regular file past `bytes` writes
// what fits and then fails with EFBIG (SIGXFSZ is ignored meanwhile).
class FullDiskAfter {
public:
    explicit FullDiskAfter(rlim_t bytes)
        : previousHandler_(::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDiskAfter()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FullDiskAfter(const FullDiskAfter&) = delete;
    FullDiskAfter& operator=(const FullDiskAfter&) = delete;

private:
    sighandler_t previousHandler_;
    rlimit saved_{};
};
