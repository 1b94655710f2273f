// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter's rules with a clock of the test's own, and its feed from a track in memory:
// which frames each update reads, how often, and when the window is shown a new picture.
#include <gtest/gtest.h>

#include <chrono>

#include "fake_engine.h"
#include "fake_window.h"
#include "meter_feed.h"

namespace {

using std::chrono::milliseconds;

FramePeaks peaksOf(int32_t left, int32_t right)
{
    FramePeaks peaks;
    peaks.addFrame(left, right);
    return peaks;
}

TEST(LevelMeterScale, DbOfFullScaleColourZonesAndColumns)
{
    EXPECT_EQ(levelOfMagnitude(32768), 0);
    EXPECT_EQ(levelOfMagnitude(32767), 0);
    EXPECT_EQ(levelOfMagnitude(16384), -60);  // half of full scale: -6.0 dB
    EXPECT_EQ(levelOfMagnitude(3277), -200);  // a tenth: -20 dB
    EXPECT_EQ(levelOfMagnitude(33), -599);    // just above the floor
    EXPECT_EQ(levelOfMagnitude(32), kMeterFloor);
    EXPECT_EQ(levelOfMagnitude(0), kMeterFloor);

    EXPECT_EQ(meterZone(-121), MeterZone::Green);
    EXPECT_EQ(meterZone(-120), MeterZone::Yellow);
    EXPECT_EQ(meterZone(-31), MeterZone::Yellow);
    EXPECT_EQ(meterZone(-30), MeterZone::Red);
    EXPECT_EQ(meterZone(0), MeterZone::Red);

    EXPECT_EQ(meterColumns(kMeterFloor, 200), 0);
    EXPECT_EQ(meterColumns(-300, 200), 100);
    EXPECT_EQ(meterColumns(0, 200), 200);
    EXPECT_EQ(meterColumns(-900, 200), 0);
    const auto segments = meterSegments(200);
    EXPECT_EQ(segments[0].zone, MeterZone::Green);
    EXPECT_EQ(std::pair(segments[0].first, segments[0].end), std::pair(0, 160));
    EXPECT_EQ(segments[1].zone, MeterZone::Yellow);
    EXPECT_EQ(std::pair(segments[1].first, segments[1].end), std::pair(160, 190));
    EXPECT_EQ(segments[2].zone, MeterZone::Red);
    EXPECT_EQ(std::pair(segments[2].first, segments[2].end), std::pair(190, 200));
}

TEST(LevelMeterRules, BarRisesAtOnceAndFalls_HoldFallsBackAfterItsTime_ClipLatchesUntilCleared)
{
    LevelMeter meter;
    const auto channel = [&](int which) { return meter.picture()[which]; };

    meter.add(peaksOf(16384, 3277), milliseconds(1000));
    EXPECT_EQ(channel(kMeterLeft), (MeterChannel{-60, -60, false}));
    EXPECT_EQ(channel(kMeterRight), (MeterChannel{-200, -200, false}));

    // Quieter sound: the bars fall 20 dB a second, the hold lines stay at the peaks.
    meter.add(peaksOf(33, 33), milliseconds(1500));
    EXPECT_EQ(channel(kMeterLeft).level, -160);
    EXPECT_EQ(channel(kMeterRight).level, -300);
    EXPECT_EQ(channel(kMeterLeft).hold, -60);
    // An update with no frames lets the bars fall too.
    meter.add(FramePeaks{}, milliseconds(2499));
    EXPECT_EQ(channel(kMeterLeft).level, -360);
    EXPECT_EQ(channel(kMeterLeft).hold, -60);
    // A second and a half after the peak the line falls back to the bar.
    meter.add(FramePeaks{}, milliseconds(2500));
    EXPECT_EQ(channel(kMeterLeft), (MeterChannel{-360, -360, false}));
    EXPECT_EQ(channel(kMeterRight), (MeterChannel{-500, -500, false}));

    // Full scale either way lights the mark, which stays through quiet sound and cleared bars.
    meter.add(peaksOf(-32768, 32767), milliseconds(2600));
    meter.add(peaksOf(5, 5), milliseconds(2700));
    EXPECT_TRUE(channel(kMeterLeft).clip && channel(kMeterRight).clip);
    meter.clearBars();
    EXPECT_EQ(channel(kMeterLeft), (MeterChannel{kMeterFloor, kMeterFloor, true}));
    meter.clearClip(kMeterRight);
    EXPECT_TRUE(channel(kMeterLeft).clip);
    EXPECT_FALSE(channel(kMeterRight).clip);
    // Nor are 32766 and -32767 full scale.
    meter.add(peaksOf(32766, -32767), milliseconds(2800));
    EXPECT_FALSE(channel(kMeterRight).clip);
}

TEST(MeterReadWindow, RecordedFramesWrapAtTheRingEndAndOnlyTheNewestAreTaken)
{
    EXPECT_EQ(recordedSince(0, 500, 1000, 8192), (FrameRun{0, 500}));
    EXPECT_EQ(recordedSince(990, 10, 1000, 8192), (FrameRun{990, 20}));
    EXPECT_EQ(recordedSince(10, 10, 1000, 8192), (FrameRun{10, 0}));
    EXPECT_EQ(recordedSince(0, 900, 1000, 100), (FrameRun{800, 100}));
    EXPECT_EQ(recordedSince(500, 50, 1000, 100), (FrameRun{950, 100}));
    EXPECT_EQ(recordedSince(0, 5, 0, 8192), (FrameRun{}));
}

class MeterFeedTest : public ::testing::Test {
protected:
    FakeEngine fakeEngine;
    EngineApi engine = fakeEngine.api();
    FakeWindow window;
    milliseconds now{0};
    MeterFeed feed{engine, window, [this] { return now; }};

    static constexpr int32_t kTrackLength = 20000;

    void SetUp() override { engine.OpenLib(kTrackLength, 0); }

    void setFrame(int32_t frame, int16_t left, int16_t right)
    {
        fakeEngine.track[size_t(2 * frame)] = left;
        fakeEngine.track[size_t(2 * frame + 1)] = right;
    }

    // The values an update reads, which it must not read again.
    int32_t readsOfUpdate(int32_t position)
    {
        const int32_t before = fakeEngine.readCount;
        now += milliseconds(20);
        feed.update(position);
        return fakeEngine.readCount - before;
    }

    MeterChannel shown(int channel) const { return window.meterShown()[channel]; }
};

TEST_F(MeterFeedTest, Recording_ReadsEachFrameBehindThePositionOnce_AcrossTheRingEnd)
{
    setFrame(kTrackLength - 5, 16384, 0);
    feed.beginRecording(kTrackLength);
    // Fewer frames than an update takes wait for the next one, which reads them too.
    EXPECT_EQ(readsOfUpdate(MeterFeed::kMinFramesPerUpdate - 1), 0);
    EXPECT_EQ(readsOfUpdate(2000), 2 * 2000);
    EXPECT_EQ(readsOfUpdate(10000), 2 * 8000);
    EXPECT_EQ(readsOfUpdate(18000), 2 * 8000);
    EXPECT_EQ(readsOfUpdate(kTrackLength - 10), 2 * 1990);
    EXPECT_TRUE(window.levels.empty());  // silence so far: nothing new to show
    EXPECT_EQ(readsOfUpdate(kTrackLength - 10), 0);
    // The ring wraps: its last 10 frames, then frames 0 to 1399 of the second lap.
    setFrame(5, 0, -32768);
    EXPECT_EQ(readsOfUpdate(1400), 2 * 1410);
    EXPECT_EQ(shown(kMeterLeft).level, -60);
    EXPECT_TRUE(shown(kMeterRight).clip);
    // A pass long overdue reads only the newest frames.
    EXPECT_EQ(readsOfUpdate(1399), 2 * MeterFeed::kMaxFramesPerUpdate);
}

TEST_F(MeterFeedTest, Playing_ReadsTheFramesHeardFromTheStart_NeverPastTheRangeNorTwice)
{
    setFrame(100, 3277, 3277);
    setFrame(3100, 32767, 32767);  // just past the range: never read
    feed.beginPlaying(100, 3100, kTrackLength);
    EXPECT_EQ(readsOfUpdate(1500), 2 * 1500);
    EXPECT_EQ(shown(kMeterLeft).level, -200);
    EXPECT_EQ(readsOfUpdate(0), 0);  // a position that reads lower moves nothing
    EXPECT_EQ(readsOfUpdate(5000), 2 * 1500);
    EXPECT_FALSE(shown(kMeterLeft).clip);
    EXPECT_EQ(readsOfUpdate(9000), 0);

    // A selection beyond the track reads nothing, and a reversed one is played as nothing.
    feed.beginPlaying(kTrackLength + 100, kTrackLength + 5000, kTrackLength);
    EXPECT_EQ(readsOfUpdate(2000), 0);
    feed.beginPlaying(6000, 4000, kTrackLength);
    EXPECT_EQ(readsOfUpdate(2000), 0);
}

TEST_F(MeterFeedTest, TheWindowIsShownOnlyChanges_IdleIsEmpty_RecordClearsTheClipMarks)
{
    setFrame(1, 32767, 0);
    feed.beginPlaying(0, kTrackLength, kTrackLength);
    readsOfUpdate(1500);
    ASSERT_EQ(window.levels.size(), 1u);
    EXPECT_TRUE(shown(kMeterLeft).clip);
    // Silence after a peak: the bar falls on every update until the hold falls back to the
    // floor; from then on nothing changes and the window is left alone.
    for (int32_t position = 2900; position <= 18500; position += 1400) {
        now += milliseconds(300);
        readsOfUpdate(position);
    }
    const size_t shownWhileFalling = window.levels.size();
    EXPECT_GT(shownWhileFalling, 2u);
    EXPECT_EQ(shown(kMeterLeft), (MeterChannel{kMeterFloor, kMeterFloor, true}));
    EXPECT_GT(readsOfUpdate(19700), 0);
    EXPECT_EQ(window.levels.size(), shownWhileFalling);

    // Idle: the bars empty, the clip mark stays until Record; updates read nothing.
    setFrame(20, 16384, 16384);
    feed.beginPlaying(0, kTrackLength, kTrackLength);
    readsOfUpdate(1500);
    feed.end();
    EXPECT_EQ(shown(kMeterLeft), (MeterChannel{kMeterFloor, kMeterFloor, true}));
    EXPECT_EQ(readsOfUpdate(5000), 0);
    feed.clearClip(kMeterLeft);
    EXPECT_FALSE(shown(kMeterLeft).clip);

    setFrame(2, -32768, 0);
    feed.beginPlaying(0, kTrackLength, kTrackLength);
    readsOfUpdate(1500);
    feed.end();
    EXPECT_TRUE(shown(kMeterLeft).clip);
    feed.beginRecording(kTrackLength);
    EXPECT_FALSE(shown(kMeterLeft).clip);
}

}  // namespace
