// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the song finder on a worker thread, so that the window's events go on while a long take
// is analysed. The worker reads the track through the engine's block read and touches nothing
// else; how far it has come, that it is done and that it should stop are atomic. The caller
// keeps every other engine call away until done() is true: the engine serves one caller at a
// time.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "song_finder.h"

class BackgroundSongSearch {
public:
    BackgroundSongSearch(TrackFramesReader read, int32_t frames);
    ~BackgroundSongSearch();  // stops the search and waits for the worker
    BackgroundSongSearch(const BackgroundSongSearch&) = delete;
    BackgroundSongSearch& operator=(const BackgroundSongSearch&) = delete;

    bool done() const { return done_.load(); }
    int32_t percent() const { return percent_.load(); }
    // Asks the worker to stop at its next chunk of the track.
    void cancel() { cancel_.store(true); }
    // Waits for the worker; the songs found, or nothing when cancelled or the track could not
    // be read.
    std::optional<std::vector<SongSelection>> result();

private:
    void finish();

    std::atomic<bool> cancel_{false};
    std::atomic<int32_t> percent_{0};
    std::atomic<bool> done_{false};
    std::optional<std::vector<SongSelection>> songs_;  // written by the worker before done_
    std::thread worker_;  // last: it starts once the members it writes exist
};
