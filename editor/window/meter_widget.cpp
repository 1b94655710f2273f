// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter_widget.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "classic_window.h"
#include "messages.h"

namespace {

constexpr int kCaptionWidth = 9;  // "L" and "R" left of the bars
constexpr int kBarHeight = 8;
constexpr int kBarTops[2] = {0, 15};  // the scale's marks and numbers sit in the rows between
constexpr int kTickRows = 1;
constexpr int kNumberPixels = 7;
constexpr int kClipWidth = 11;
constexpr int kClipGap = 3;
constexpr int kHoldWidth = 2;

const QColor kBackground(32, 32, 32);
const QColor kCaption(208, 208, 208);
const QColor kTick(150, 150, 150);
const QColor kClipOff(64, 64, 64);
const QColor kClipLit(255, 32, 32);

// The marks of the scale, in tenths of a dB: every 20 dB, and -12, -6 and -3 near the top.
constexpr int32_t kTicks[] = {-600, -400, -200, -120, -60, -30, 0};

QColor zoneColour(MeterZone zone, bool lit)
{
    switch (zone) {
        case MeterZone::Yellow: return lit ? QColor(240, 220, 0) : QColor(72, 66, 0);
        case MeterZone::Red: return lit ? QColor(240, 0, 0) : QColor(72, 0, 0);
        case MeterZone::Green: break;
    }
    return lit ? QColor(0, 220, 0) : QColor(0, 64, 0);
}

}  // namespace

std::vector<std::optional<int>> placeMeterNumbers(std::span<const MeterNumber> numbers, int first,
                                                  int end)
{
    std::vector<std::optional<int>> lefts(numbers.size());
    int limit = end;  // the next number, going down the scale, ends before this
    for (size_t i = numbers.size(); i-- > 0;) {
        const MeterNumber& number = numbers[i];
        const int left =
            std::max(first, std::min(number.mark - number.width / 2, limit - number.width));
        const bool fits = left + number.width <= limit;
        const bool overMark = left <= number.mark && number.mark < left + number.width;
        if (!fits || !overMark) continue;
        lefts[i] = left;
        limit = left - kMeterNumberGap;
    }
    return lefts;
}

MeterWidget::MeterWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSource({});
}

void MeterWidget::setSource(const QString& source)
{
    const QString levels = messages::kMeterToolTip;
    setToolTip(source.isEmpty() ? levels : source + "\n" + levels);
}

QRect MeterWidget::barRect(int channel) const
{
    return {kCaptionWidth, kBarTops[channel], width() - kCaptionWidth - kClipGap - kClipWidth - 1,
            kBarHeight};
}

QRect MeterWidget::clipRect(int channel) const
{
    return {width() - kClipWidth - 1, kBarTops[channel], kClipWidth, kBarHeight};
}

MeterWidget::Drawn MeterWidget::drawn(const MeterChannel& shown) const
{
    const int32_t width = barRect(kMeterLeft).width();
    const int32_t hold =
        shown.hold > kMeterFloor ? std::max(meterColumns(shown.hold, width) - kHoldWidth, 0) : -1;
    return {meterColumns(shown.level, width), hold, shown.clip};
}

void MeterWidget::setLevels(const MeterPicture& levels)
{
    QRect changed;
    for (int channel : {kMeterLeft, kMeterRight})
        if (drawn(levels[channel]) != drawn(levels_[channel]))
            changed |= barRect(channel).united(clipRect(channel));
    levels_ = levels;
    if (!changed.isEmpty()) update(changed);
}

void MeterWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, scalePicture());
    for (int channel : {kMeterLeft, kMeterRight}) paintChannel(painter, channel);
}

const QPixmap& MeterWidget::scalePicture()
{
    // What never changes is drawn once: the meter is repainted many times a second while a
    // transport runs, and laying out its captions each time would cost more than the rest.
    const qreal ratio = devicePixelRatioF();
    if (scale_.size() != size() * ratio || scale_.devicePixelRatio() != ratio) {
        scale_ = QPixmap(size() * ratio);
        scale_.setDevicePixelRatio(ratio);
        QPainter painter(&scale_);
        paintScale(painter);
    }
    return scale_;
}

void MeterWidget::paintScale(QPainter& painter) const
{
    painter.fillRect(rect(), kBackground);
    for (int channel : {kMeterLeft, kMeterRight}) {
        const QRect bar = barRect(channel);
        for (const MeterSegment& segment : meterSegments(bar.width()))
            painter.fillRect(bar.left() + segment.first, bar.top(), segment.end - segment.first,
                             bar.height(), zoneColour(segment.zone, false));
        painter.fillRect(clipRect(channel), kClipOff);
    }
    paintMarks(painter);
    // The channels' letters fit their bars' rows, clear of the numbers between them.
    QFont letters = quorvel::dialogFont(6, false);
    letters.setPixelSize(kBarHeight);
    painter.setPen(kCaption);
    painter.setFont(letters);
    for (const auto& [channel, letter] :
         {std::pair{kMeterLeft, "L"}, std::pair{kMeterRight, "R"}}) {
        const QRect place(0, kBarTops[channel], kCaptionWidth, kBarHeight);
        painter.setClipRect(place);
        painter.drawText(place, Qt::AlignCenter, letter);
    }
    painter.setClipping(false);
}

void MeterWidget::paintMarks(QPainter& painter) const
{
    // A mark under the left bar at each level, its number in dB below it, kept inside the meter.
    const QRect left = barRect(kMeterLeft);
    const int top = left.bottom() + 1;
    QFont numbers = quorvel::dialogFont(6, false);
    numbers.setPixelSize(kNumberPixels);
    painter.setFont(numbers);
    painter.setPen(kCaption);
    const QFontMetrics metrics(numbers);
    const int numberHeight = barRect(kMeterRight).top() - top;
    std::vector<MeterNumber> places;
    for (int32_t tick : kTicks) {
        const int x = std::min(left.left() + meterColumns(tick, left.width()), left.right());
        painter.fillRect(QRect(x, top, 1, kTickRows), kTick);
        places.push_back({x, metrics.horizontalAdvance(QString::number(tick / 10))});
    }
    const std::vector<std::optional<int>> lefts = placeMeterNumbers(places, left.left(), width());
    for (size_t i = 0; i < places.size(); ++i)
        if (lefts[i])
            painter.drawText(QRect(*lefts[i], top, places[i].width, numberHeight), Qt::AlignCenter,
                             QString::number(kTicks[i] / 10));
}

void MeterWidget::paintChannel(QPainter& painter, int channel) const
{
    const QRect bar = barRect(channel);
    const Drawn shown = drawn(levels_[channel]);
    for (const MeterSegment& segment : meterSegments(bar.width())) {
        const int lit = std::clamp(shown.litColumns, segment.first, segment.end);
        painter.fillRect(bar.left() + segment.first, bar.top(), lit - segment.first, bar.height(),
                         zoneColour(segment.zone, true));
    }
    if (shown.holdColumn >= 0)
        painter.fillRect(bar.left() + shown.holdColumn, bar.top(), kHoldWidth, bar.height(),
                         zoneColour(meterZone(levels_[channel].hold), true));
    if (shown.clip) painter.fillRect(clipRect(channel), kClipLit);
}

void MeterWidget::mousePressEvent(QMouseEvent* event)
{
    for (int channel : {kMeterLeft, kMeterRight})
        if (clipRect(channel).contains(event->position().toPoint())) emit clipClicked(channel);
}
