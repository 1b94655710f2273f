// SPDX-License-Identifier: GPL-3.0-or-later
#include "view_widget.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "editor.h"

namespace {

// A pixel of the picture (QImage::Format_RGB32) is 0xFFRRGGBB; a pen only touches its colour.
constexpr QRgb kOpaque = 0xFF000000u;
constexpr QRgb kColourBits = 0x00FFFFFFu;
// A notch of a common wheel turns it 15 degrees, which Qt counts in eighths.
constexpr int kAnglePerNotch = 120;

// The pixels between two corners, both included, in whichever order they come.
QRect spanning(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                 QPoint(std::max(x1, x2), std::max(y1, y2)));
}

}  // namespace

ViewWidget::ViewWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(Qt::black);
}

ViewWidget::~ViewWidget()
{
    endPainting();
}

const QImage& ViewWidget::image()
{
    fitPictureToSize();
    endPainting();
    return image_;
}

float ViewWidget::pixelWidth() const
{
    return float(QWidget::width());
}

float ViewWidget::pixelHeight() const
{
    return float(QWidget::height());
}

QPainter& ViewWidget::painter()
{
    fitPictureToSize();
    if (!painter_.isActive()) {
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setCompositionMode(penMode_ == PenMode::Xor
                                        ? QPainter::RasterOp_SourceXorDestination
                                        : QPainter::CompositionMode_SourceOver);
        painter_.setPen(QPen(penQColor(), 0));
    }
    return painter_;
}

void ViewWidget::endPainting()
{
    if (painter_.isActive()) painter_.end();
}

QColor ViewWidget::penQColor() const
{
    return QColor(penColor_ & 0xFF, (penColor_ >> 8) & 0xFF, (penColor_ >> 16) & 0xFF);
}

void ViewWidget::clear()
{
    fitPictureToSize();
    endPainting();
    image_.fill(Qt::black);
    showDrawn(image_.rect());
}

void ViewWidget::setPenColor(int32_t color)
{
    penColor_ = color;
    if (painter_.isActive()) painter_.setPen(QPen(penQColor(), 0));
}

void ViewWidget::setPenMode(PenMode mode)
{
    penMode_ = mode;
    endPainting();
}

void ViewWidget::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    // A line covers its first point up to, not including, its last one, so a bar of length 0
    // leaves the centre line under it untouched.
    if (x1 == x2 && y1 == y2) return;
    if (x1 == x2 || y1 == y2) {
        const int32_t stepX = x2 > x1 ? 1 : x2 < x1 ? -1 : 0;
        const int32_t stepY = y2 > y1 ? 1 : y2 < y1 ? -1 : 0;
        fillClipped(spanning(x1, y1, x2 - stepX, y2 - stepY));
        return;
    }
    const int32_t steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    const QPointF last(x1 + double(x2 - x1) * (steps - 1) / steps,
                       y1 + double(y2 - y1) * (steps - 1) / steps);
    const QPoint end(int(std::round(last.x())), int(std::round(last.y())));
    painter().drawLine(QPoint(x1, y1), end);
    showDrawn(spanning(x1, y1, end.x(), end.y()).intersected(image_.rect()));
}

void ViewWidget::rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    // Filled between the two corners, both included, so a one-frame selection still shows.
    fillClipped(spanning(x1, y1, x2, y2));
}

void ViewWidget::fillClipped(const QRect& area)
{
    // Bars, centre lines, the selection and the marker are all upright rectangles: they are
    // written straight into the picture, which costs far less than a painter per line.
    fitPictureToSize();
    endPainting();
    const QRect visible = area.intersected(image_.rect());
    if (visible.isEmpty()) return;
    const QRgb colour = penQColor().rgb() & kColourBits;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = visible.left(); x <= visible.right(); ++x) {
            row[x] = penMode_ == PenMode::Xor ? row[x] ^ colour : kOpaque | colour;
        }
    }
    showDrawn(visible);
}

void ViewWidget::showDrawn(const QRect& drawn)
{
    // The screen shows the kept picture: whatever is drawn goes to the screen once the event
    // that drew it is over, whoever drew it. The areas drawn before the next paint are joined
    // into one rectangle, so that a full redraw of a thousand bars is one update, not a
    // thousand, and the transport's marker only the strip it moved across.
    changed_ |= drawn;
    update(changed_);
}

void ViewWidget::paintEvent(QPaintEvent* event)
{
    changed_ = QRect();
    fitPictureToSize();
    endPainting();
    QPainter widgetPainter(this);
    widgetPainter.drawImage(event->rect(), image_, event->rect());
}

void ViewWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitPictureToSize();
    if (editor_) editor_->view().resized();
}

void ViewWidget::fitPictureToSize()
{
    // A hidden widget gets its resize event only when shown; drawing may come before that.
    if (image_.size() == size()) return;
    endPainting();
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(Qt::black);
    QPainter copy(&resized);
    copy.drawImage(0, 0, image_);
    copy.end();
    image_ = resized;
}

void ViewWidget::mousePressEvent(QMouseEvent* event)
{
    if (editor_) editor_->selection().mouseDown(float(event->position().x()));
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (editor_) editor_->selection().mouseMove(float(event->position().x()));
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (editor_) editor_->selection().mouseUp(float(event->position().x()));
}

void ViewWidget::wheelEvent(QWheelEvent* event)
{
    event->accept();
    if (!editor_) return;
    // A fine-grained wheel or touch pad sends parts of a notch; they add up to whole ones. A
    // tilted wheel (or Alt with the wheel) turns about x, forward being to the left.
    const QPoint angle = event->angleDelta();
    wheelAngle_ += angle.y() != 0 ? angle.y() : angle.x();
    const int notches = wheelAngle_ / kAnglePerNotch;
    wheelAngle_ -= notches * kAnglePerNotch;
    if (notches != 0)
        editor_->view().wheel(notches, event->modifiers().testFlag(Qt::ControlModifier),
                              float(event->position().x()));
}

bool ViewWidget::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !editor_) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::string text = editor_->view().toolTip(float(help->pos().x()));
    if (text.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), QString::fromStdString(text), this, rect());
    return true;
}
