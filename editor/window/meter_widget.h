// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter on the toolbar row: a bar for the left channel above one for the right, each
// with its peak-hold line and, at its right end, a clip mark. It paints the picture the editor
// gives it, repainting only when what it shows changes, and reports a click on a clip mark.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "level_meter.h"

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
