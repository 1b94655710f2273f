// SPDX-License-Identifier: GPL-3.0-or-later
// The view group's commands: scrolling and zooming with the scroll bars or the wheel, the view's
// new size, and the times its tool tip reads.
#include <algorithm>
#include <cstdlib>

#include "editor_numbers.h"
#include "messages.h"
#include "time_readout.h"
#include "track_view.h"
#include "view_scroll.h"

namespace {

// The view stacks the two channels, each swinging -32768 .. 32767 about its own centre line.
constexpr double kSampleUnitsPerViewHeight = 2 * 65536.0;
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

void TrackView::scrolled()
{
    updateViewStart();
    drawTrack();
}

void TrackView::zoomChanged()
{
    window_.setScrollVisible(ScrollBar::hscView, true);
    updateViewStart();
    drawTrack();
}

void TrackView::startUp()
{
    frm.GREEN = rgb(196, 32, 196);
    frm.BLUE = rgb(32, 32, 240);
    frm.RED = rgb(255, 0, 0);
    frm.DARKGREEN = rgb(16, 96, 64);
    window_.picView().setPenMode(PenMode::Xor);
    takeSampleScale();
    ownScales().zoom = window_.scrollValue(ScrollBar::hscZoom);
}

void TrackView::trackOpened()
{
    takeColumnScale();
    // A zoomed view keeps its scroll position; its first frame follows the new track length.
    updateViewStart();
}

void TrackView::resized()
{
    if (window_.picView().pixelWidth() < 1) return;  // not laid out yet: no scale to take from it
    takeSampleScale();
    if (frm.bInitLib) takeColumnScale();
    drawTrack();
}

void TrackView::takeSampleScale()
{
    ownScales().hscale = float(window_.picView().pixelHeight() / kSampleUnitsPerViewHeight);
}

void TrackView::takeColumnScale()
{
    ownScales().tscale = float(context_.engineTrackLength / double(window_.picView().pixelWidth()));
}

void TrackView::wheel(int32_t notches, bool zoomStep, float x)
{
    // Locked scroll bars (a transport runs) lock the wheel too.
    const ScrollBar bar = zoomStep ? ScrollBar::hscZoom : ScrollBar::hscView;
    if (context_.locked(zoomStep ? LockableControl::hscZoom : LockableControl::hscView)) return;
    const int32_t zoom = window_.scrollValue(ScrollBar::hscZoom);
    if (zoomStep) {
        const int32_t zoomed = zoomAfterNotches(zoom, notches);
        if (zoomed == zoom || !hasTrack()) return;
        // The frame under the pointer stays there: the new left edge is that many columns of
        // the new zoom before it. The view starts at that exact frame; the view bar shows the
        // nearest position to it.
        const double anchor = scales.trkbegin + double(scales.tscale) / scales.zoom * x;
        const double hidden = mod.trklen - double(mod.trklen) / zoomed;
        const double edge = std::clamp(anchor - double(scales.tscale) / zoomed * x, 0.0, hidden);
        const int32_t position =
            zoomed < 2 ? 0
                       : std::clamp(toLong(edge * kViewScrollUnits / hidden), 0, kLastViewPosition);
        wheelViewStart_ = WheelViewStart{zoomed, position, mod.trklen, toLong(edge)};
        window_.setScrollValue(ScrollBar::hscZoom, zoomed);
        if (position != window_.scrollValue(ScrollBar::hscView))
            window_.setScrollValue(ScrollBar::hscView, position);
        return;
    }
    if (zoom < 2) return;  // the whole track shows: nothing to scroll
    const int64_t value = window_.scrollValue(bar);
    // Forward goes back towards the start of the track.
    const int64_t moved = std::clamp<int64_t>(value - int64_t(notches) * viewUnitsPerNotch(zoom), 0,
                                              kLastViewPosition);
    if (moved != value) window_.setScrollValue(bar, int32_t(moved));
}

std::string TrackView::toolTip(float x) const
{
    if (!hasTrack()) return {};
    const std::string usual =
        viewToolTipText(xToFrame(toLong(x)), selected.clipbegin, selected.clipend);
    const TitleMark* mark = titleMarkAt(toLong(x));
    if (!mark) return usual;
    return messages::titleToolTip(mark->artist, mark->title, trackTimeText(mark->frame), usual);
}

const TitleMark* TrackView::titleMarkAt(int32_t x) const
{
    // The pointer rests on a one-pixel tick only by chance: a few columns either side count.
    constexpr int32_t kReachColumns = 3;
    const TitleMark* nearest = nullptr;
    int32_t nearestDistance = kReachColumns + 1;
    for (const TitleMark& mark : context_.titleMarks) {
        const int32_t distance = std::abs(frameToX(mark.frame) - x);
        if (distance < nearestDistance) {
            nearest = &mark;
            nearestDistance = distance;
        }
    }
    return nearest;
}
