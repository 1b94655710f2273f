// SPDX-License-Identifier: GPL-3.0-or-later
// picView: the track view. It keeps its picture in an image, so what was drawn survives being
// covered, and draws with one pen in copy or XOR mode, without antialiasing. Every drawing
// reaches the screen after the event that made it. The wheel scrolls and zooms it, and its tool
// tip reads the times under the pointer and of the selection.
#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "window_port.h"

class Editor;

class ViewWidget : public QWidget, public ViewSurface {
    Q_OBJECT
public:
    explicit ViewWidget(QWidget* parent = nullptr);
    ~ViewWidget() override;

    // Mouse events go to this editor, with x in pixels as a float.
    void setEditor(Editor* editor) { editor_ = editor; }
    // The kept picture, as painted so far.
    const QImage& image();

    float pixelWidth() const override;
    float pixelHeight() const override;
    void clear() override;
    int32_t penColor() const override { return penColor_; }
    void setPenColor(int32_t color) override;
    void setPenMode(PenMode mode) override;
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;  // the tool tip

private:
    QPainter& painter();  // begun on the image when first needed, ended before it is shown
    void endPainting();
    void fitPictureToSize();
    void fillClipped(const QRect& area);  // with the pen's colour and mode, directly in the picture
    void showDrawn(const QRect& drawn);   // schedules the drawn area for the screen
    QColor penQColor() const;

    QImage image_;
    QPainter painter_;
    int32_t penColor_ = 0;
    PenMode penMode_ = PenMode::Copy;
    QRect changed_;  // drawn since the last paint
    Editor* editor_ = nullptr;
    int wheelAngle_ = 0;  // turned since the last whole notch, in eighths of a degree
};
