// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter's rules, apart from any window: the sample peak of each channel in dB below
// full scale (dBFS) on a -60..0 dB scale, a peak-hold line that falls back after a while, and a
// clip mark that stays lit until it is cleared. Time comes in from the caller, so the rules are
// tested with a clock of their own.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

// Levels are whole tenths of a dB relative to full scale; the floor is the empty bar.
constexpr int32_t kMeterFloor = -600;
constexpr int32_t kMeterYellowFrom = -120;
constexpr int32_t kMeterRedFrom = -30;

constexpr int kMeterLeft = 0;
constexpr int kMeterRight = 1;

// The largest sample magnitude of each channel over a run of frames, and whether a sample of it
// reached full scale (-32768 or 32767).
struct FramePeaks {
    std::array<int32_t, 2> magnitude{};  // 0 .. 32768
    std::array<bool, 2> clipped{};
    int32_t frames = 0;

    void addFrame(int32_t left, int32_t right);
};

// What one channel of the meter shows.
struct MeterChannel {
    int32_t level = kMeterFloor;  // the bar
    int32_t hold = kMeterFloor;   // the peak-hold line; none at the floor
    bool clip = false;
    bool operator==(const MeterChannel&) const = default;
};

// Left, then right.
using MeterPicture = std::array<MeterChannel, 2>;

// A sample magnitude (0 .. 32768) as a level, at least the floor.
int32_t levelOfMagnitude(int32_t magnitude);

enum class MeterZone { Green, Yellow, Red };
MeterZone meterZone(int32_t level);

// The columns of a bar `width` pixels wide that a level fills, from its left end.
int32_t meterColumns(int32_t level, int32_t width);

// A stretch of a bar in one colour: columns first up to, not including, end.
struct MeterSegment {
    MeterZone zone;
    int32_t first;
    int32_t end;
};
// The coloured stretches of a bar `width` pixels wide, left to right: green, yellow, red.
std::array<MeterSegment, 3> meterSegments(int32_t width);

class LevelMeter {
public:
    using Milliseconds = std::chrono::milliseconds;

    // How long the hold line stays at a peak that is not reached again.
    static constexpr Milliseconds kHoldTime{1500};
    // How fast a bar falls once the sound gets quieter, in dB a second; it rises at once.
    static constexpr double kFallDbPerSecond = 20.0;

    // The peaks of the frames since the last update, at time now; a run of no frames lets the
    // bars fall.
    void add(const FramePeaks& peaks, Milliseconds now);
    // Both bars and hold lines empty; the clip marks stay as they are.
    void clearBars();
    void clearClip(int channel);
    void clearClips();

    const MeterPicture& picture() const { return picture_; }

private:
    void addChannel(int channel, const FramePeaks& peaks, double fallen, Milliseconds now);

    MeterPicture picture_;
    std::array<double, 2> levelDb_{kMeterFloor / 10.0, kMeterFloor / 10.0};
    std::array<Milliseconds, 2> holdSince_{};
    std::optional<Milliseconds> lastUpdate_;
};
