// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing the track view: ticks, channel centre lines, a bar per column and channel from the
// lowest to the highest value of the frames the column covers, the selection rectangle in
// XOR so that drawing it again removes it, the transport's position marker and red ticks where
// a recording lost input.
#include <algorithm>

#include "editor_numbers.h"
#include "track_view.h"

namespace {

constexpr int32_t kLostInputMarkHeight = 8;  // taller than the time axis's own ticks
// A title announced is a yellow tick taller still, with a flag at its top, so that it reads
// apart from a lost-input mark at the same place.
constexpr int32_t kTitleMarkHeight = 14;
constexpr int32_t kTitleFlagWidth = 4;
constexpr int32_t kTitleMarkColor = 0x0000FFFF;  // 0x00BBGGRR

struct CentreRows {
    int32_t left = 0;   // c1, a quarter down
    int32_t right = 0;  // c2, a quarter up from the bottom
};

CentreRows centreRows(float height)
{
    const int32_t c1 = toLong(height) / 4;
    return {c1, toLong(height - c1)};
}

int32_t lastColumnOf(const ViewSurface& view)
{
    return toLong(view.pixelWidth() - 1);
}

// The centre lines over columns first to last; column 0 and the last column have none.
void drawCentreLines(ViewSurface& view, int32_t color, CentreRows rows, int32_t first, int32_t last)
{
    const int32_t from = std::max(first, 1);
    const int32_t to = std::min(last + 1, lastColumnOf(view));
    if (to <= from) return;
    view.setPenColor(color);
    view.line(from, rows.left, to, rows.left);
    view.line(from, rows.right, to, rows.right);
}

// A channel's bar in column x: from its lowest value up to its highest, one row when they meet
// away from the centre line, nothing when the column is silent.
void drawBar(ViewSurface& view, int32_t x, int32_t centre, float hscale, int16_t lowest,
             int16_t highest)
{
    const int32_t bottom = centre - toLong(double(hscale) * lowest);
    const int32_t top = centre - toLong(double(hscale) * highest);
    if (bottom != top)
        view.line(x, bottom, x, top);
    else if (top != centre)
        view.line(x, top, x, top + 1);
}

}  // namespace

TrackView::TickRange TrackView::tickRange() const
{
    TickRange ticks;
    ticks.spacing = toLong(frm.mlTempo * 1411.2);
    if (ticks.spacing <= 0) return {0, -1, 0};
    const int32_t s = ticks.spacing;
    const int32_t f0 = xToFrame(0);
    const int32_t f1 = xToFrame(lastColumnOf(window_.picView()));
    ticks.first = f0 / s * s;
    ticks.last = f1 / s * s;
    if (ticks.first < f0) ticks.first += s;
    if (ticks.last > f1) ticks.last -= s;
    return ticks;
}

void TrackView::drawTrack()
{
    ViewSurface& view = window_.picView();
    const CentreRows rows = centreRows(view.pixelHeight());
    const int32_t lastColumn = lastColumnOf(view);
    view.clear();
    markerColumn_ = 0;
    view.setPenMode(PenMode::Copy);

    // Without an open engine there is nothing to read: the view shows its empty frame only.
    if (!hasTrack()) {
        drawCentreLines(view, frm.BLUE, rows, 0, lastColumn);
        view.setPenColor(frm.RED);
        view.setPenMode(PenMode::Xor);
        return;
    }

    drawTicks(0, lastColumn);
    drawCentreLines(view, frm.BLUE, rows, 0, lastColumn);
    drawBars(1, lastColumn);
    drawLostInputMarks(0, lastColumn);
    drawTitleMarks(0, lastColumn);
    view.setPenMode(PenMode::Xor);
    drawSelection();
}

void TrackView::drawTicks(int32_t first, int32_t last)
{
    ViewSurface& view = window_.picView();
    const TickRange ticks = tickRange();
    view.setPenColor(frm.GREEN);
    for (int32_t t = ticks.first; ticks.spacing > 0 && t <= ticks.last;
         t = checkedAdd(t, ticks.spacing)) {
        const int32_t x = frameToX(t);
        if (x >= first && x <= last) view.line(x, 0, x, 5);
    }
}

void TrackView::drawBars(int32_t first, int32_t last)
{
    ViewSurface& view = window_.picView();
    const CentreRows rows = centreRows(view.pixelHeight());
    view.setPenColor(frm.RED);
    // Column x covers the frames from its own first frame up to the next column's.
    const double framesPerColumn = double(scales.tscale) / scales.zoom;
    const auto firstFrame = [&](int32_t x) {
        return int64_t(toLong(framesPerColumn * x)) + scales.trkbegin;
    };
    for (int32_t x = first; x <= last; ++x) {
        const int64_t from = firstFrame(x);
        const int64_t to = std::max(firstFrame(x + 1), from + 1);
        const ChannelExtremes column = context_.summary.extremes(
            int32_t(std::min<int64_t>(from, INT32_MAX)), int32_t(std::min<int64_t>(to, INT32_MAX)));
        if (column.empty()) continue;
        drawBar(view, x, rows.left, scales.hscale, column.lowest[0], column.highest[0]);
        drawBar(view, x, rows.right, scales.hscale, column.lowest[1], column.highest[1]);
    }
}

void TrackView::redrawColumns(int32_t first, int32_t last)
{
    ViewSurface& view = window_.picView();
    first = std::max(first, 0);
    last = std::min(last, lastColumnOf(view));
    if (last < first || !hasTrack()) return;
    const int32_t bottom = toLong(view.pixelHeight());
    view.setPenMode(PenMode::Copy);
    view.setPenColor(0);
    view.rectangle(first, 0, last, bottom);
    drawTicks(first, last);
    drawCentreLines(view, frm.BLUE, centreRows(view.pixelHeight()), first, last);
    drawBars(std::max(first, 1), last);
    drawLostInputMarks(first, last);
    drawTitleMarks(first, last);
    view.setPenMode(PenMode::Xor);
    const int32_t xa = frameToX(selected.clipbegin);
    const int32_t xb = frameToX(selected.clipend);
    const int32_t left = std::max(std::min(xa, xb), first);
    const int32_t right = std::min(std::max(xa, xb), last);
    if (left <= right) {
        view.setPenColor(frm.DARKGREEN);
        view.rectangle(left, 0, right, bottom);
    }
    view.setPenColor(frm.RED);
    // The marker in these columns was painted over.
    if (markerColumn_ >= first && markerColumn_ <= last) markerColumn_ = 0;
}

void TrackView::drawSelection()
{
    if (!hasTrack()) return;
    ViewSurface& view = window_.picView();
    const int32_t xa = frameToX(selected.clipbegin);
    const int32_t xb = frameToX(selected.clipend);
    const int32_t remembered = view.penColor();
    view.setPenColor(frm.DARKGREEN);
    view.rectangle(xa, 0, xb, toLong(view.pixelHeight()));
    view.setPenColor(remembered);
}

// The marker is a line across the view in its XOR pen, so drawing it again takes it away. It is
// only redrawn when its column changes: each paint costs the window far more than a pass of the
// follow loop does.
void TrackView::moveMarker(int32_t x)
{
    ViewSurface& view = window_.picView();
    if (x <= 0 || x >= view.pixelWidth()) x = 0;  // left of or at the edges: not drawn
    if (x == markerColumn_) return;
    if (markerColumn_ != 0) view.line(markerColumn_, 0, markerColumn_, toLong(view.pixelHeight()));
    if (x != 0) view.line(x, 0, x, toLong(view.pixelHeight()));
    markerColumn_ = x;
}

void TrackView::trackChanged(int32_t from, int32_t to)
{
    context_.summary.markDirty(from, to);
    if (to > from) context_.liveFeatures.edited();
}

void TrackView::recordedChanged(int32_t from, int32_t to)
{
    context_.summary.markDirty(from, to);
}

void TrackView::drawLostInputMarks(int32_t first, int32_t last)
{
    ViewSurface& view = window_.picView();
    const int32_t remembered = view.penColor();
    view.setPenColor(frm.RED);
    for (const int32_t frame : context_.lostInputFrames) {
        const int32_t x = frameToX(frame);
        if (x >= first && x <= last) view.line(x, 0, x, kLostInputMarkHeight);
    }
    view.setPenColor(remembered);
}

void TrackView::drawTitleMarks(int32_t first, int32_t last)
{
    ViewSurface& view = window_.picView();
    const int32_t remembered = view.penColor();
    view.setPenColor(kTitleMarkColor);
    for (const TitleMark& mark : context_.titleMarks) {
        const int32_t x = frameToX(mark.frame);
        if (x < first || x > last) continue;
        view.line(x, 0, x, kTitleMarkHeight);
        view.rectangle(x, 0, std::min(x + kTitleFlagWidth, last), 2);
    }
    view.setPenColor(remembered);
}
