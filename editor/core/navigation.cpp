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

void Editor::viewWheel(int32_t notches, bool zoomStep)
{
    // Locked scroll bars (a transport runs) lock the wheel too.
    const ScrollBar bar = zoomStep ? ScrollBar::hscZoom : ScrollBar::hscView;
    if (!window_.scrollEnabled(bar)) return;
    const int64_t value = window_.scrollValue(bar);
    int64_t moved = 0;
    if (zoomStep) {
        moved = std::clamp<int64_t>(value + notches, kLeastZoom, kGreatestZoom);
    } else {
        const int32_t zoom = window_.scrollValue(ScrollBar::hscZoom);
        if (zoom < 2) return;  // the whole track shows: nothing to scroll
        // Forward goes back towards the start of the track.
        moved = std::clamp<int64_t>(value - int64_t(notches) * viewUnitsPerNotch(zoom), 0, kLastViewPosition);
    }
    if (moved != value) window_.setScrollValue(bar, int32_t(moved));
}

std::string Editor::viewToolTip(float x) const
{
    if (!viewHasTrack()) return {};
    return viewToolTipText(xToFrame(toLong(x)), mod.clipbegin, mod.clipend);
}
