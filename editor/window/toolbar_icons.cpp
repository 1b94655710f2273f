// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void drawPage(QPainter& p)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{3.5, 1.5}, {10.5, 1.5}, {13.5, 4.5}, {13.5, 14.5}, {3.5, 14.5}}));
    p.drawPolyline(QPolygonF({{10.5, 1.5}, {10.5, 4.5}, {13.5, 4.5}}));
}

void drawFolder(QPainter& p)
{
    p.setPen(QPen(QColor(96, 64, 0), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawPolygon(
        QPolygonF({{1.5, 3.5}, {6.5, 3.5}, {7.5, 5.5}, {13.5, 5.5}, {13.5, 13.5}, {1.5, 13.5}}));
    p.setBrush(QColor(255, 224, 128));
    p.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
}

void drawDisk(QPainter& p)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(40, 64, 160));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

void drawProperties(QPainter& p)
{
    // A memory chip: the track's memory size is what the settings choose.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(30, 120, 60));
    p.drawRect(QRectF(1.5, 4.5, 13, 7));
    p.setBrush(Qt::black);
    for (int x = 3; x <= 11; x += 4) p.drawRect(QRectF(x + 0.5, 6.5, 2, 3));
    p.setPen(QPen(QColor(200, 160, 0), 1));
    for (int x = 2; x <= 14; x += 2) {
        p.drawLine(QPointF(x + 0.5, 1.5), QPointF(x + 0.5, 3.5));
        p.drawLine(QPointF(x + 0.5, 12.5), QPointF(x + 0.5, 14.5));
    }
}

void drawScissors(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 1), QPointF(10.5, 11));
    p.drawLine(QPointF(12, 1), QPointF(5.5, 11));
    p.setPen(QPen(QColor(200, 0, 0), 1.5));
    p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
    p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
}

void drawPlay(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 140, 0));
    p.drawPolygon(QPolygonF({{4, 2}, {14, 8}, {4, 14}}));
}

void drawRecord(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 0, 0));
    p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
}

void drawStop(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(3, 3, 10, 10));
}

}  // namespace

QIcon toolbarIcon(ToolbarPicture picture)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (picture) {
        case ToolbarPicture::New: drawPage(p); break;
        case ToolbarPicture::Open: drawFolder(p); break;
        case ToolbarPicture::Save: drawDisk(p); break;
        case ToolbarPicture::Properties: drawProperties(p); break;
        case ToolbarPicture::Cut: drawScissors(p); break;
        case ToolbarPicture::Play: drawPlay(p); break;
        case ToolbarPicture::Record: drawRecord(p); break;
        case ToolbarPicture::Stop: drawStop(p); break;
    }
    p.end();
    return QIcon(pixmap);
}
