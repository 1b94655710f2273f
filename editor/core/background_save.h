// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one of the engine's save exports on a worker thread, so that the window's events go on
// while a long file is written. The worker has its own copies of the range and the path and
// touches nothing else; what it hands back, the result and that it is done, is atomic. The
// caller keeps every other engine call away until done() is true: the engine serves one caller
// at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class BackgroundSave {
public:
    using Export = int32_t (*)(int32_t from, int32_t to, const char* path);

    BackgroundSave(Export save, int32_t from, int32_t to, std::string path);
    ~BackgroundSave();  // waits for the export to return
    BackgroundSave(const BackgroundSave&) = delete;
    BackgroundSave& operator=(const BackgroundSave&) = delete;

    bool done() const { return done_.load(); }
    // Waits for the export to return; its result code.
    int32_t result();

private:
    void finish();

    const std::string path_;
    std::atomic<int32_t> result_{0};
    std::atomic<bool> done_{false};
    std::thread worker_;  // last: it starts once the members it writes exist
};
