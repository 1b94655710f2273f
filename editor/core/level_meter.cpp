// SPDX-License-Identifier: GPL-3.0-or-later
#include "level_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int32_t kFullScale = 32768;
constexpr double kFloorDb = kMeterFloor / 10.0;

bool atFullScale(int32_t value)
{
    return value == 32767 || value == -32768;
}

}  // namespace

void FramePeaks::addFrame(int32_t left, int32_t right)
{
    const std::array<int32_t, 2> values{left, right};
    for (int channel : {kMeterLeft, kMeterRight}) {
        magnitude[channel] = std::max(magnitude[channel], std::abs(values[channel]));
        clipped[channel] = clipped[channel] || atFullScale(values[channel]);
    }
    ++frames;
}

int32_t levelOfMagnitude(int32_t magnitude)
{
    if (magnitude <= 0) return kMeterFloor;
    const double db = 20.0 * std::log10(double(magnitude) / kFullScale);
    return std::clamp(int32_t(std::lround(db * 10.0)), kMeterFloor, int32_t{0});
}

MeterZone meterZone(int32_t level)
{
    if (level >= kMeterRedFrom) return MeterZone::Red;
    if (level >= kMeterYellowFrom) return MeterZone::Yellow;
    return MeterZone::Green;
}

int32_t meterColumns(int32_t level, int32_t width)
{
    const int32_t above = std::clamp(level, kMeterFloor, int32_t{0}) - kMeterFloor;
    return int32_t(std::lround(double(above) * width / -kMeterFloor));
}

std::array<MeterSegment, 3> meterSegments(int32_t width)
{
    const int32_t yellow = meterColumns(kMeterYellowFrom, width);
    const int32_t red = meterColumns(kMeterRedFrom, width);
    return {{{MeterZone::Green, 0, yellow},
             {MeterZone::Yellow, yellow, red},
             {MeterZone::Red, red, width}}};
}

void LevelMeter::add(const FramePeaks& peaks, Milliseconds now)
{
    const double seconds =
        lastUpdate_ ? std::chrono::duration<double>(now - *lastUpdate_).count() : 0.0;
    lastUpdate_ = now;
    const double fallen = kFallDbPerSecond * std::max(seconds, 0.0);
    for (int channel : {kMeterLeft, kMeterRight}) addChannel(channel, peaks, fallen, now);
}

void LevelMeter::addChannel(int channel, const FramePeaks& peaks, double fallen, Milliseconds now)
{
    const double peakDb =
        peaks.frames > 0 ? levelOfMagnitude(peaks.magnitude[channel]) / 10.0 : kFloorDb;
    levelDb_[channel] = std::max({peakDb, levelDb_[channel] - fallen, kFloorDb});
    MeterChannel& shown = picture_[channel];
    shown.level = int32_t(std::lround(levelDb_[channel] * 10.0));
    // The line stays at the highest level until that is not reached again for the hold time;
    // then it falls back to where the bar is.
    if (shown.level >= shown.hold || now - holdSince_[channel] >= kHoldTime) {
        shown.hold = shown.level;
        holdSince_[channel] = now;
    }
    shown.clip = shown.clip || peaks.clipped[channel];
}

void LevelMeter::clearBars()
{
    for (MeterChannel& channel : picture_) channel = {kMeterFloor, kMeterFloor, channel.clip};
    levelDb_ = {kFloorDb, kFloorDb};
    lastUpdate_.reset();
}

void LevelMeter::clearClip(int channel)
{
    picture_.at(channel).clip = false;
}

void LevelMeter::clearClips()
{
    for (int channel : {kMeterLeft, kMeterRight}) clearClip(channel);
}
