// SPDX-License-Identifier: GPL-3.0-or-later
// Scrolling, zooming and selecting in the track view, with the scroll bars or the wheel, and the
// times the view's tool tip reads.
#include <algorithm>

#include "editor.h"
#include "editor_numbers.h"
#include "song_search.h"
#include "time_readout.h"
#include "view_scroll.h"

namespace {

// The zoom bar's range.
constexpr int32_t kLeastZoom = 1;
constexpr int32_t kGreatestZoom = 256;
// A notch of the wheel moves the zoomed view by a tenth of its width.
constexpr double kViewWidthsPerNotch = 0.1;

// hscView's units for a notch at zoom 2 or more: the bar spans the hidden part of the track,
// (zoom - 1) view widths.
int32_t viewUnitsPerNotch(int32_t zoom)
{
    return std::max(1, toLong(kViewScrollUnits * kViewWidthsPerNotch / (zoom - 1)));
}

}  // namespace

void Editor::hscViewChanged()
{
    updateViewStart();
    drawTrack();
}

void Editor::zoomChanged()
{
    window_.setScrollVisible(ScrollBar::hscView, true);
    updateViewStart();
    drawTrack();
}

void Editor::mouseDown(float x)
{
    frm.clipmode = 1;
    keysMoveBegin_ = false;
    const int32_t f = xToFrame(toLong(x));
    moveSelection(f, f);
}

void Editor::mouseMove(float x)
{
    if (frm.clipmode != 1) return;
    moveSelection(mod.clipbegin, xToFrame(toLong(x)));
}

void Editor::mouseUp(float x)
{
    if (frm.clipmode != 1) return;
    // The rectangle is redrawn for the final position so that screen and selection agree.
    const int32_t f = xToFrame(toLong(x));
    moveSelection(std::min(f, mod.clipbegin), std::max(f, mod.clipbegin));
    frm.clipmode = 0;
}

void Editor::editSelectAll()
{
    selectWholeTrack();
}

void Editor::editSelectSong()
{
    const RunningCommand running(*this, Command::EditSelectSong);
    const SongSelection current{mod.clipbegin, mod.clipend};
    window_.busySetText("Finding the song ...");
    window_.busySetProgress(0);
    window_.busyInit();
    BackgroundSongSearch search(engine_.TrackReadFrames, mod.trklen);
    while (!search.done()) {
        window_.waitForEvents(kProgressPassMilliseconds);
        if (closePending_) search.cancel();  // the window is to close: the answer is not wanted
        window_.busySetProgress(search.percent());
    }
    const std::optional<std::vector<SongSelection>> songs = search.result();
    window_.busyHide();
    if (closePending_) return;
    if (!songs) {
        window_.messageBox("The track could not be read.", MessageIcon::Critical);
        return;
    }
    const std::optional<SongSelection> song = songToSelect(*songs, current);
    if (!song) {
        window_.messageBox("No song found between pauses.");
        return;
    }
    moveSelection(song->clipbegin, song->clipend);
    frm.clipmode = 0;
}

void Editor::selectWholeTrack()
{
    keysMoveBegin_ = false;
    moveSelection(0, mod.trklen - 2);
    frm.clipmode = 0;
}

void Editor::moveSelection(int32_t begin, int32_t end)
{
    drawSelection();
    mod.clipbegin = begin;
    mod.clipend = end;
    drawSelection();
}

namespace {

// The zoom a notch of the wheel leads to from zoom: the next power of two up (forward) or down.
int32_t zoomAfterNotches(int32_t zoom, int32_t notches)
{
    int64_t power = 1;
    while (power * 2 <= zoom) power *= 2;
    // From between two powers the first notch reaches the one above or the one below.
    if (power < zoom && notches > 0) {
        power *= 2;
        --notches;
    } else if (power < zoom && notches < 0) {
        ++notches;
    }
    for (; notches > 0 && power < kGreatestZoom; --notches) power *= 2;
    for (; notches < 0 && power > kLeastZoom; ++notches) power /= 2;
    return int32_t(std::clamp<int64_t>(power, kLeastZoom, kGreatestZoom));
}

}  // namespace

void Editor::viewWheel(int32_t notches, bool zoomStep, float x)
{
    // Locked scroll bars (a transport runs) lock the wheel too.
    const ScrollBar bar = zoomStep ? ScrollBar::hscZoom : ScrollBar::hscView;
    if (!window_.scrollEnabled(bar)) return;
    const int32_t zoom = window_.scrollValue(ScrollBar::hscZoom);
    if (zoomStep) {
        const int32_t zoomed = zoomAfterNotches(zoom, notches);
        if (zoomed == zoom || !viewHasTrack()) return;
        // The frame under the pointer stays there: the new left edge is that many columns of
        // the new zoom before it. The view starts at that exact frame; the view bar shows the
        // nearest position to it.
        const double anchor = frm.trkbegin + double(frm.tscale) / frm.zoom * x;
        const double hidden = mod.trklen - double(mod.trklen) / zoomed;
        const double edge = std::clamp(anchor - double(frm.tscale) / zoomed * x, 0.0, hidden);
        const int32_t position =
            zoomed < 2 ? 0 : std::clamp(toLong(edge * kViewScrollUnits / hidden), 0, kLastViewPosition);
        wheelViewStart_ = WheelViewStart{zoomed, position, mod.trklen, toLong(edge)};
        window_.setScrollValue(ScrollBar::hscZoom, zoomed);
        if (position != window_.scrollValue(ScrollBar::hscView)) window_.setScrollValue(ScrollBar::hscView, position);
        return;
    }
    if (zoom < 2) return;  // the whole track shows: nothing to scroll
    const int64_t value = window_.scrollValue(bar);
    // Forward goes back towards the start of the track.
    const int64_t moved = std::clamp<int64_t>(value - int64_t(notches) * viewUnitsPerNotch(zoom), 0, kLastViewPosition);
    if (moved != value) window_.setScrollValue(bar, int32_t(moved));
}

int32_t Editor::viewEndFrame() const
{
    const double end = frm.trkbegin + double(frm.tscale) / frm.zoom * window_.picView().pixelWidth();
    return toLong(std::clamp<double>(end, 0, mod.trklen - 2));
}

void Editor::moveKeyedEnd(int64_t frame)
{
    const int32_t moved = int32_t(std::clamp<int64_t>(frame, 0, std::max(mod.trklen - 2, 0)));
    const int32_t fixed = keysMoveBegin_ ? mod.clipend : mod.clipbegin;
    // Moved past the fixed end, the moving end becomes the selection's other side.
    keysMoveBegin_ = moved < fixed;
    moveSelection(std::min(moved, fixed), std::max(moved, fixed));
    frm.clipmode = 0;
}

void Editor::moveSelectionEnd(int32_t columns)
{
    if (!viewHasTrack()) return;
    const double framesPerColumn = std::max(1.0, double(frm.tscale) / frm.zoom);
    const int32_t moving = keysMoveBegin_ ? mod.clipbegin : mod.clipend;
    moveKeyedEnd(moving + int64_t(std::llround(framesPerColumn * columns)));
}

void Editor::moveSelectionEndByTicks(int32_t ticks)
{
    const int32_t spacing = tickRange().spacing;
    if (!viewHasTrack() || spacing <= 0) return;
    const int32_t moving = keysMoveBegin_ ? mod.clipbegin : mod.clipend;
    moveKeyedEnd(moving + int64_t(spacing) * ticks);
}

void Editor::extendSelectionToViewStart()
{
    if (!viewHasTrack()) return;
    keysMoveBegin_ = true;
    moveSelection(std::min(xToFrame(0), mod.clipbegin), mod.clipend);
    frm.clipmode = 0;
}

void Editor::extendSelectionToViewEnd()
{
    if (!viewHasTrack()) return;
    keysMoveBegin_ = false;
    moveSelection(mod.clipbegin, std::max(viewEndFrame(), mod.clipend));
    frm.clipmode = 0;
}

std::string Editor::viewToolTip(float x) const
{
    if (!viewHasTrack()) return {};
    return viewToolTipText(xToFrame(toLong(x)), mod.clipbegin, mod.clipend);
}
