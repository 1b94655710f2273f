// Drawing the track view: ticks, channel centre lines, one bar per column and channel, and the
// selection rectangle in XOR so that drawing it again removes it.
#include "editor.h"
#include "editor_numbers.h"

namespace {

struct CentreRows {
    int32_t left = 0;   // c1, a quarter down
    int32_t right = 0;  // c2, a quarter up from the bottom
};

CentreRows centreRows(float height)
{
    const int32_t c1 = toLong(height) / 4;
    return {c1, toLong(height - c1)};
}

void drawCentreLines(ViewSurface& view, int32_t color, CentreRows rows)
{
    const int32_t lastColumn = toLong(view.width() - 1);
    view.setPenColor(color);
    view.line(1, rows.left, lastColumn, rows.left);
    view.line(1, rows.right, lastColumn, rows.right);
}

}  // namespace

Editor::TickRange Editor::tickRange() const
{
    TickRange ticks;
    ticks.spacing = toLong(frm.mlTempo * 1411.2);
    if (ticks.spacing <= 0) return {0, -1, 0};
    const int32_t s = ticks.spacing;
    const int32_t f0 = xToFrame(0);
    const int32_t f1 = xToFrame(toLong(window_.picView().width() - 1));
    ticks.first = f0 / s * s;
    ticks.last = f1 / s * s;
    if (ticks.first < f0) ticks.first += s;
    if (ticks.last > f1) ticks.last -= s;
    return ticks;
}

void Editor::drawTrack()
{
    ViewSurface& view = window_.picView();
    const CentreRows rows = centreRows(view.height());
    view.clear();
    markerColumn_ = 0;
    view.setPenMode(PenMode::Copy);

    // Without an open engine there is nothing to read: the view shows its empty frame only.
    if (!viewHasTrack()) {
        drawCentreLines(view, frm.BLUE, rows);
        view.setPenColor(frm.RED);
        view.setPenMode(PenMode::Xor);
        return;
    }

    const TickRange ticks = tickRange();
    view.setPenColor(frm.GREEN);
    for (int32_t t = ticks.first; ticks.spacing > 0 && t <= ticks.last; t = checkedAdd(t, ticks.spacing)) {
        const int32_t x = frameToX(t);
        view.line(x, 0, x, 5);
    }

    drawCentreLines(view, frm.BLUE, rows);

    // One sample per column and channel, drawn as a bar symmetric about the centre line.
    view.setPenColor(frm.RED);
    const double framesPerColumn = double(frm.tscale) / frm.zoom;
    const int32_t lastColumn = toLong(view.width() - 1);
    for (int32_t x = 1; x <= lastColumn; ++x) {
        const int32_t f = checkedAdd(toLong(framesPerColumn * x), frm.trkbegin);
        const int32_t yL = toLong(double(frm.hscale) * engine_.TrackRead(checkedMul(2, f)));
        view.line(x, rows.left + yL, x, rows.left - yL);
        const int32_t yR = toLong(double(frm.hscale) * engine_.TrackRead(checkedAdd(checkedMul(2, f), 1)));
        view.line(x, rows.right + yR, x, rows.right - yR);
    }

    drawLostInputMarks();
    view.setPenMode(PenMode::Xor);
    drawSelection();
}

void Editor::drawSelection()
{
    if (!viewHasTrack()) return;
    ViewSurface& view = window_.picView();
    const int32_t xa = frameToX(mod.clipbegin);
    const int32_t xb = frameToX(mod.clipend);
    const int32_t remembered = view.penColor();
    view.setPenColor(frm.DARKGREEN);
    view.rectangle(xa, 0, xb, toLong(view.height()));
    view.setPenColor(remembered);
}
