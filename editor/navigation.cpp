// Scrolling, zooming and selecting in the track view.
#include "editor.h"
#include "editor_numbers.h"

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
    drawSelection();
    const int32_t f = xToFrame(toLong(x));
    mod.clipbegin = f;
    mod.clipend = f;
    drawSelection();
}

void Editor::mouseMove(float x)
{
    if (frm.clipmode != 1) return;
    drawSelection();
    mod.clipend = xToFrame(toLong(x));
    drawSelection();
}

void Editor::mouseUp(float x)
{
    if (frm.clipmode != 1) return;
    // The rectangle is redrawn for the final position so that screen and selection agree.
    drawSelection();
    const int32_t f = xToFrame(toLong(x));
    mod.clipend = f;
    if (f < mod.clipbegin) {
        mod.clipend = mod.clipbegin;
        mod.clipbegin = f;
    }
    frm.clipmode = 0;
    drawSelection();
}

void Editor::editSelectAll()
{
    selectWholeTrack();
}

void Editor::selectWholeTrack()
{
    drawSelection();
    mod.clipbegin = 0;
    mod.clipend = mod.trklen - 2;
    frm.clipmode = 0;
    drawSelection();
}
