// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter as a screenshot of the main window shows it.
#pragma once

#include <QImage>
#include <QRect>

#include <algorithm>
#include <iterator>
#include <vector>

namespace program_window {

// The meter's lit colours: its bars' green, yellow and red, and a lit clip mark.
inline const QRgb kLitBar[] = {qRgb(0, 220, 0), qRgb(240, 220, 0), qRgb(240, 0, 0)};
inline const QRgb kLitClip = qRgb(255, 32, 32);

// What the meter shows, read from the strip of the window right of the toolbar's labels (the
// toolbar's own pictures are green and red too).
struct MeterOnScreen {
    int litBarPixels = 0;
    QRect clipMark;  // the lit clip marks' bounds; empty when none is lit
    std::vector<int> litPerRow;

    bool operator<(const MeterOnScreen& other) const { return litPerRow < other.litPerRow; }
};

inline MeterOnScreen meterIn(const QImage& shot)
{
    MeterOnScreen meter;
    for (int y = 0; y < std::min(shot.height(), 60); ++y) {
        int lit = 0;
        for (int x = 428; x < shot.width(); ++x) {
            const QRgb pixel = shot.pixel(x, y);
            if (pixel == kLitClip) meter.clipMark |= QRect(x, y, 1, 1);
            lit += std::find(std::begin(kLitBar), std::end(kLitBar), pixel) != std::end(kLitBar);
        }
        meter.litBarPixels += lit;
        meter.litPerRow.push_back(lit);
    }
    return meter;
}

}  // namespace program_window
