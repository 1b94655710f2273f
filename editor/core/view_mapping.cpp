// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel columns of picView to frames of the track and back, the view's left edge and
// last frame.
#include <algorithm>

#include "editor_numbers.h"
#include "track_view.h"
#include "view_scroll.h"

bool TrackView::hasTrack() const
{
    return frm.bInitLib && frm.tscale > 0.0f && frm.zoom >= 1;
}

int32_t TrackView::xToFrame(int32_t x) const
{
    double f =
        frm.zoom >= 2 ? double(frm.tscale) * x / frm.zoom + frm.trkbegin : double(frm.tscale) * x;
    // Clamped before it is rounded to a Long: the same frame as clamping after, but a pointer
    // dragged far outside the view cannot overflow.
    if (f < 0) f = 0;
    if (f > mod.trklen - 2) f = mod.trklen - 2;
    return toLong(f);
}

int32_t TrackView::frameToX(int32_t frame) const
{
    // Without a track there is no scale; everything lies at the left edge.
    if (!hasTrack()) return 0;
    const int32_t d = checkedSub(frame, frm.trkbegin);
    int32_t x = frm.zoom >= 2 ? toLong(d / (double(frm.tscale) / frm.zoom))
                              : toLong(d / double(frm.tscale));
    if (x < 0) x = 0;
    const float lastColumn = window_.picView().pixelWidth() - 1;
    if (x > lastColumn) x = toLong(lastColumn);
    return x;
}

void TrackView::updateViewStart()
{
    frm.zoom = window_.scrollValue(ScrollBar::hscZoom);
    if (frm.zoom < 2) {
        frm.trkbegin = 0;
        return;
    }
    const int32_t position = window_.scrollValue(ScrollBar::hscView);
    const std::optional<WheelViewStart>& wheel = wheelViewStart_;
    if (wheel && wheel->zoom == frm.zoom && wheel->position == position &&
        wheel->trackLength == mod.trklen) {
        frm.trkbegin = wheel->frame;
        return;
    }
    const double hidden = mod.trklen - double(mod.trklen) / frm.zoom;
    frm.trkbegin = toLong(hidden * position / double(kViewScrollUnits));
}

int32_t TrackView::endFrame() const
{
    const double end =
        frm.trkbegin + double(frm.tscale) / frm.zoom * window_.picView().pixelWidth();
    return toLong(std::clamp<double>(end, 0, mod.trklen - 2));
}
