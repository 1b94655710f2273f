// SPDX-License-Identifier: GPL-3.0-or-later
// The selection group: selecting with the mouse and the keys, Select All, Select Song and Songs
// in Take.
#include <algorithm>

#include "editor_numbers.h"
#include "hinted_edges.h"
#include "messages.h"
#include "selection_commands.h"
#include "song_listing.h"
#include "song_search.h"
#include "title_hints.h"

void SelectionCommands::mouseDown(float x)
{
    ownSelection().clipmode = 1;
    keysMoveBegin_ = false;
    const int32_t f = view_.xToFrame(toLong(x));
    moveSelection(f, f);
}

void SelectionCommands::mouseMove(float x)
{
    if (selected.clipmode != 1) return;
    moveSelection(selected.clipbegin, view_.xToFrame(toLong(x)));
}

void SelectionCommands::mouseUp(float x)
{
    if (selected.clipmode != 1) return;
    // The rectangle is redrawn for the final position so that screen and selection agree.
    const int32_t f = view_.xToFrame(toLong(x));
    moveSelection(std::min(f, selected.clipbegin), std::max(f, selected.clipbegin));
    ownSelection().clipmode = 0;
}

void SelectionCommands::selectAll()
{
    selectWholeTrack();
}

void SelectionCommands::selectSong()
{
    const RunningCommand running(context_, Command::EditSelectSong);
    const SongSelection current{selected.clipbegin, selected.clipend};
    const std::optional<std::vector<SongSelection>> songs = songsOfTake();
    if (!songs) return;
    const std::optional<SongSelection> song = songToSelect(*songs, current);
    if (!song) {
        window_.messageBox(messages::kNoSongFound);
        return;
    }
    moveSelection(song->clipbegin, song->clipend);
    ownSelection().clipmode = 0;
    nameSelectedSong(context_, song->clipbegin, song->clipend);
}

void SelectionCommands::songsInTake()
{
    const RunningCommand running(context_, Command::EditSongsInTake);
    const std::optional<std::vector<SongSelection>> songs = songsOfTake();
    if (!songs) return;
    if (songs->empty()) {
        window_.messageBox(messages::kNoSongFound);
        return;
    }
    const std::optional<size_t> chosen =
        window_.chooseSong(songListing(*songs, context_.titleMarks));
    if (!chosen || *chosen >= songs->size()) return;
    moveSelection((*songs)[*chosen].clipbegin, (*songs)[*chosen].clipend);
    ownSelection().clipmode = 0;
}

std::optional<std::vector<SongSelection>> SelectionCommands::songsOfTake()
{
    std::optional<std::vector<SongSelection>> songs = songsFromReadyFeatures();
    if (!songs) songs = songsFromWorker();
    if (context_.closePending) return std::nullopt;
    if (!songs) window_.messageBox(messages::kTrackUnreadable, MessageIcon::Critical);
    return songs;
}

std::optional<std::vector<SongSelection>> SelectionCommands::songsFromReadyFeatures() const
{
    const std::optional<ReadyFeatures>& ready = context_.liveFeatures.ready();
    if (!ready || ready->firstFrame + ready->features.frames != mod.trklen) return std::nullopt;
    const int32_t offset = ready->firstFrame;
    const EngineApi& engine = engine_;
    std::vector<SongSelection> songs = songsIn(
        ready->features,
        [&engine, offset](int32_t from, int32_t to, int16_t* values) {
            return engine.TrackReadFrames(from + offset, to + offset, values);
        },
        shiftedHints(titleHintFrames(), offset));
    for (SongSelection& song : songs) {
        song.clipbegin += offset;
        song.clipend += offset;
    }
    return songs;
}

std::optional<std::vector<SongSelection>> SelectionCommands::songsFromWorker()
{
    window_.busyShow(messages::kFindingSong, BusyBar::Shown);
    BackgroundSongSearch search(engine_.TrackReadFrames, mod.trklen, titleHintFrames());
    while (!search.done()) {
        window_.waitForEvents(kProgressPassMilliseconds);
        if (context_.closePending)
            search.cancel();  // the window is to close: the answer is not wanted
        window_.busySetProgress(search.percent());
    }
    std::optional<std::vector<SongSelection>> songs = search.result();
    window_.busyHide();
    return songs;
}

std::vector<int32_t> SelectionCommands::titleHintFrames() const
{
    std::vector<int32_t> frames;
    frames.reserve(context_.titleMarks.size());
    for (const TitleMark& mark : context_.titleMarks) frames.push_back(mark.frame);
    return frames;
}

void SelectionCommands::selectWholeTrack()
{
    keysMoveBegin_ = false;
    moveSelection(0, mod.trklen - 2);
    ownSelection().clipmode = 0;
}

void SelectionCommands::moveSelection(int32_t begin, int32_t end)
{
    view_.drawSelection();
    select(begin, end);
    view_.drawSelection();
}

void SelectionCommands::select(int32_t begin, int32_t end)
{
    ownSelection().clipbegin = begin;
    ownSelection().clipend = end;
}

void SelectionCommands::moveKeyedEnd(int64_t frame)
{
    const int32_t moved = int32_t(std::clamp<int64_t>(frame, 0, std::max(mod.trklen - 2, 0)));
    const int32_t fixed = keysMoveBegin_ ? selected.clipend : selected.clipbegin;
    // Moved past the fixed end, the moving end becomes the selection's other side.
    keysMoveBegin_ = moved < fixed;
    moveSelection(std::min(moved, fixed), std::max(moved, fixed));
    ownSelection().clipmode = 0;
}

void SelectionCommands::moveEnd(int32_t columns)
{
    if (!view_.hasTrack()) return;
    const double framesPerColumn = std::max(1.0, double(scales.tscale) / scales.zoom);
    const int32_t moving = keysMoveBegin_ ? selected.clipbegin : selected.clipend;
    moveKeyedEnd(moving + int64_t(std::llround(framesPerColumn * columns)));
}

void SelectionCommands::moveEndByTicks(int32_t ticks)
{
    const int32_t spacing = view_.tickRange().spacing;
    if (!view_.hasTrack() || spacing <= 0) return;
    const int32_t moving = keysMoveBegin_ ? selected.clipbegin : selected.clipend;
    moveKeyedEnd(moving + int64_t(spacing) * ticks);
}

void SelectionCommands::extendToViewStart()
{
    if (!view_.hasTrack()) return;
    keysMoveBegin_ = true;
    moveSelection(std::min(view_.xToFrame(0), selected.clipbegin), selected.clipend);
    ownSelection().clipmode = 0;
}

void SelectionCommands::extendToViewEnd()
{
    if (!view_.hasTrack()) return;
    keysMoveBegin_ = false;
    moveSelection(selected.clipbegin, std::max(view_.endFrame(), selected.clipend));
    ownSelection().clipmode = 0;
}
