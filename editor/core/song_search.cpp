// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_search.h"

#include <system_error>

BackgroundSongSearch::BackgroundSongSearch(TrackFramesReader read, int32_t frames)
{
    const auto run = [this, read, frames] {
        songs_ = findSongs(read, frames, {&cancel_, &percent_});
        done_.store(true);
    };
    try {
        worker_ = std::thread(run);
    } catch (const std::system_error&) {
        run();  // no thread to be had: the search runs all the same, with the window waiting
    }
}

BackgroundSongSearch::~BackgroundSongSearch()
{
    cancel();
    finish();
}

std::optional<std::vector<SongSelection>> BackgroundSongSearch::result()
{
    finish();
    return songs_;
}

void BackgroundSongSearch::finish()
{
    if (worker_.joinable()) worker_.join();
}
