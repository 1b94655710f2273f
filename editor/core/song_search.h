// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the song finder on a worker thread, so that the window's events go on while a long take
// is analysed. The worker reads the track through the engine's block read and touches nothing
// else; how far it has come and that it should stop are atomic. The caller keeps every other
// engine call away until done() is true: the engine serves one caller at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "background_work.h"
#include "song_finder.h"

class BackgroundSongSearch {
public:
    BackgroundSongSearch(TrackFramesReader read, int32_t frames, std::vector<int32_t> hints = {})
        : work_([this, read, frames, hints = std::move(hints)] {
              return findSongs(read, frames, {&cancel_, &percent_}, hints);
          })
    {}
    ~BackgroundSongSearch() { cancel(); }  // then the worker is waited for
    BackgroundSongSearch(const BackgroundSongSearch&) = delete;
    BackgroundSongSearch& operator=(const BackgroundSongSearch&) = delete;

    bool done() const { return work_.done(); }
    int32_t percent() const { return percent_.load(); }
    // Asks the worker to stop at its next chunk of the track.
    void cancel() { cancel_.store(true); }
    // Waits for the worker; the songs found, or nothing when cancelled or the track could not
    // be read.
    std::optional<std::vector<SongSelection>> result() { return work_.result(); }

private:
    std::atomic<bool> cancel_{false};
    std::atomic<int32_t> percent_{0};
    // Last: it starts once the members it writes exist, and is waited for before they go.
    BackgroundWork<std::optional<std::vector<SongSelection>>> work_;
};
