// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter on the toolbar row: a bar for the left channel above one for the right, each
// with its peak-hold line and, at its right end, a clip mark. It paints the picture the editor
// gives it, repainting only when what it shows changes, and reports a click on a clip mark.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <optional>
#include <span>
#include <vector>

#include "level_meter.h"

// A number of the meter's scale: the column of its mark and the width of its text, in pixels.
struct MeterNumber {
    int mark = 0;
    int width = 0;
};
constexpr int kMeterNumberGap = 4;  // the least room between two numbers, in pixels

// Where the scale's numbers go, from the lowest level's to 0 dB's: each centred under its mark
// where it fits, else moved toward the lower levels as far as its mark stays under it, else left
// out; 0 dB's first, so the loudest marks keep theirs. None starts left of first or ends past
// end, and any two are kMeterNumberGap apart. The left edge of each, or nothing.
std::vector<std::optional<int>> placeMeterNumbers(std::span<const MeterNumber> numbers, int first,
                                                  int end);

class MeterWidget : public QWidget {
    Q_OBJECT
public:
    explicit MeterWidget(QWidget* parent = nullptr);

    void setLevels(const MeterPicture& levels);
    const MeterPicture& levels() const { return levels_; }
    // The tool tip names the source recordings come from above what the meter shows.
    void setSource(const QString& source);

    // Where a channel's bar and clip mark are, in the widget.
    QRect barRect(int channel) const;
    QRect clipRect(int channel) const;

signals:
    void clipClicked(int channel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // What a channel looks like in pixels: two pictures that look alike are not repainted.
    struct Drawn {
        int32_t litColumns = 0;
        int32_t holdColumn = -1;  // none
        bool clip = false;
        bool operator==(const Drawn&) const = default;
    };
    Drawn drawn(const MeterChannel& shown) const;
    const QPixmap& scalePicture();
    // The picture of an empty meter: background, captions, ticks, unlit bars and clip marks.
    void paintScale(QPainter& painter) const;
    void paintMarks(QPainter& painter) const;  // the dB scale between the bars
    // What a channel's levels light on top of it.
    void paintChannel(QPainter& painter, int channel) const;

    MeterPicture levels_;
    QPixmap scale_;
};
