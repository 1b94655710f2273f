// SPDX-License-Identifier: GPL-3.0-or-later
// The selection group: selecting with the mouse and the keys, Select All, Select Song and Songs
// in Take.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "editor_context.h"
#include "song_finder.h"
#include "track_view.h"

class SelectionCommands : CommandGroup {
public:
    SelectionCommands(EditorContext& context, TrackView& view)
        : CommandGroup(context),
          view_(view)
    {}

    void selectAll();
    // Selects the last complete song of the take, or the one before the song selected.
    void selectSong();
    // Lists the songs Select Song finds in the whole take; the one the user chooses is selected.
    void songsInTake();
    void selectWholeTrack();
    void mouseDown(float x);
    void mouseMove(float x);
    void mouseUp(float x);
    // The keys: the selection's moving end goes by columns or by ticks (negative to the left),
    // or the selection reaches out to the view's first or last frame.
    void moveEnd(int32_t columns);
    void moveEndByTicks(int32_t ticks);
    void extendToViewStart();
    void extendToViewEnd();
    // The selection becomes begin to end: the old rectangle is erased, the new one drawn.
    void moveSelection(int32_t begin, int32_t end);
    // The same without drawing, for a view drawn again after it (an undone edit, a new length).
    void select(int32_t begin, int32_t end);

private:
    // The songs of the whole take, from the ready features or else under the busy window;
    // nothing when the window is to close, or when the track could not be read (the user is
    // told).
    std::optional<std::vector<SongSelection>> songsOfTake();
    // The songs found from the features a recording left ready; nothing when none are ready
    // for the track as it is.
    std::optional<std::vector<SongSelection>> songsFromReadyFeatures() const;
    // The songs found by the worker that reads the whole track, under the busy window with its
    // bar; nothing when the track could not be read or the window is to close.
    std::optional<std::vector<SongSelection>> songsFromWorker();
    // Where the players announced the titles of the take: the song finder's hints.
    std::vector<int32_t> titleHintFrames() const;
    // The keys move the selection's end, or its beginning once they have moved it past it.
    void moveKeyedEnd(int64_t frame);
    Selection& ownSelection() { return context_.selection.change(); }

    TrackView& view_;
    bool keysMoveBegin_ = false;  // the keys have moved the selection's end past its beginning
};
