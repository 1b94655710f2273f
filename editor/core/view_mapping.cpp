// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel columns of picView to frames of the track and back, the view's left edge and
// last frame.
#include <algorithm>

#include "editor_numbers.h"
#include "track_view.h"
#include "view_scroll.h"

bool TrackView::hasTrack() const
{
    return frm.bInitLib && scales.tscale > 0.0f && scales.zoom >= 1;
}

int32_t TrackView::xToFrame(int32_t x) const
{
    double f = scales.zoom >= 2 ? double(scales.tscale) * x / scales.zoom + scales.trkbegin
                                : double(scales.tscale) * x;
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
    const int32_t d = checkedSub(frame, scales.trkbegin);
    int32_t x = scales.zoom >= 2 ? toLong(d / (double(scales.tscale) / scales.zoom))
                                 : toLong(d / double(scales.tscale));
    if (x < 0) x = 0;
    const float lastColumn = window_.picView().pixelWidth() - 1;
    if (x > lastColumn) x = toLong(lastColumn);
    return x;
}

void TrackView::updateViewStart()
{
    ownScales().zoom = window_.scrollValue(ScrollBar::hscZoom);
    if (scales.zoom < 2) {
        ownScales().trkbegin = 0;
        return;
    }
    const int32_t position = window_.scrollValue(ScrollBar::hscView);
    const std::optional<WheelViewStart>& wheel = wheelViewStart_;
    if (wheel && wheel->zoom == scales.zoom && wheel->position == position &&
        wheel->trackLength == mod.trklen) {
        ownScales().trkbegin = wheel->frame;
        return;
    }
    const double hidden = mod.trklen - double(mod.trklen) / scales.zoom;
    ownScales().trkbegin = toLong(hidden * position / double(kViewScrollUnits));
}

int32_t TrackView::endFrame() const
{
    const double end =
        scales.trkbegin + double(scales.tscale) / scales.zoom * window_.picView().pixelWidth();
    return toLong(std::clamp<double>(end, 0, mod.trklen - 2));
}
