// Scrolling, zooming and selecting in the track view.
#include <algorithm>

#include "editor.h"
#include "editor_numbers.h"
#include "song_finder.h"

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
    const RunningCommand running(*this);
    window_.busySetText("Finding the song ...");
    window_.busyInit();
    const std::optional<SongSelection> song = findLastSong(engine_.TrackRead, mod.trklen);
    window_.busyHide();
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
