// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel columns of picView to frames of the track and back, and the view's left edge.
#include "editor.h"
#include "editor_numbers.h"
#include "view_scroll.h"

bool Editor::viewHasTrack() const
{
    return frm.bInitLib && frm.tscale > 0.0f && frm.zoom >= 1;
}

int32_t Editor::xToFrame(int32_t x) const
{
    double f = frm.zoom >= 2 ? double(frm.tscale) * x / frm.zoom + frm.trkbegin : double(frm.tscale) * x;
    // Clamped before it is rounded to a Long: the same frame as clamping after, but a pointer
    // dragged far outside the view cannot overflow.
    if (f < 0) f = 0;
    if (f > mod.trklen - 2) f = mod.trklen - 2;
    return toLong(f);
}

int32_t Editor::frameToX(int32_t frame) const
{
    // Without a track there is no scale; everything lies at the left edge.
    if (!viewHasTrack()) return 0;
    const int32_t d = checkedSub(frame, frm.trkbegin);
    int32_t x = frm.zoom >= 2 ? toLong(d / (double(frm.tscale) / frm.zoom)) : toLong(d / double(frm.tscale));
    if (x < 0) x = 0;
    const float lastColumn = window_.picView().pixelWidth() - 1;
    if (x > lastColumn) x = toLong(lastColumn);
    return x;
}

void Editor::updateViewStart()
{
    frm.zoom = window_.scrollValue(ScrollBar::hscZoom);
    if (frm.zoom < 2) {
        frm.trkbegin = 0;
        return;
    }
    const int32_t position = window_.scrollValue(ScrollBar::hscView);
    const std::optional<WheelViewStart>& wheel = wheelViewStart_;
    if (wheel && wheel->zoom == frm.zoom && wheel->position == position && wheel->trackLength == mod.trklen) {
        frm.trkbegin = wheel->frame;
        return;
    }
    const double hidden = mod.trklen - double(mod.trklen) / frm.zoom;
    frm.trkbegin = toLong(hidden * position / double(kViewScrollUnits));
}
