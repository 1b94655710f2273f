#include "view_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>

#include <algorithm>

#include "editor.h"

ViewWidget::ViewWidget(QWidget* parent) : QWidget(parent)
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
    endPainting();
    return image_;
}

float ViewWidget::width() const
{
    return float(QWidget::width());
}

float ViewWidget::height() const
{
    return float(QWidget::height());
}

QPainter& ViewWidget::painter()
{
    if (!painter_.isActive()) {
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setCompositionMode(penMode_ == PenMode::Xor ? QPainter::RasterOp_SourceXorDestination
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
    endPainting();
    image_.fill(Qt::black);
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
    painter().drawLine(x1, y1, x2, y2);
}

void ViewWidget::rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    // Filled between the two corners, both included, so the selection spans whole columns.
    const QRect area = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                             QPoint(std::max(x1, x2), std::max(y1, y2)))
                           .intersected(image_.rect());
    if (!area.isEmpty()) painter().fillRect(area, penQColor());
}

void ViewWidget::repaint()
{
    endPainting();
    update();
}

void ViewWidget::paintEvent(QPaintEvent* event)
{
    endPainting();
    QPainter widgetPainter(this);
    widgetPainter.drawImage(event->rect(), image_, event->rect());
}

void ViewWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    endPainting();
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(Qt::black);
    QPainter copy(&resized);
    copy.drawImage(0, 0, image_);
    image_ = resized;
}

void ViewWidget::mousePressEvent(QMouseEvent* event)
{
    if (editor_) editor_->mouseDown(float(event->position().x()));
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (editor_) editor_->mouseMove(float(event->position().x()));
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (editor_) editor_->mouseUp(float(event->position().x()));
}
