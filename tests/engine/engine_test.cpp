// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "device/sim_device.h"
#include "engine.h"
#include "log_capture.h"
#include "stalling_backend.h"

namespace brenvik {
namespace {

using Lines = std::vector<std::string>;

// The engine on the simulated card, moved by hand: every callback runs inside clock->advance,
// or inside an engine call that a test's stall action advances the clock in.
class EngineTest : public ::testing::Test {
protected:
    EngineTest()
        : engine([this] {
              ++backendsMade;
              device::SimConfig config = sim;
              config.manualClock = clock;
              return std::make_unique<testing::StallingBackend>(config, stall);
          })
    {}
    ~EngineTest() override { engine.close(); }

    static uint32_t counterAt(const Frame& frame)
    {
        return static_cast<uint16_t>(frame.left) | static_cast<uint32_t>(frame.right) << 16;
    }
    void fillTrack(int16_t base)
    {
        std::span<Frame> frames = engine.track().frames();
        for (std::size_t i = 0; i < frames.size(); ++i) {
            frames[i] = {static_cast<int16_t>(base + i), static_cast<int16_t>(-base - int(i))};
        }
    }

    LogCapture log;
    std::shared_ptr<device::ManualClock> clock = std::make_shared<device::ManualClock>();
    std::shared_ptr<testing::Stall> stall = std::make_shared<testing::Stall>();
    device::SimConfig sim;
    int backendsMade = 0;
    Engine engine;
};

TEST_F(EngineTest, OpenAndCloseLogTheirStepsInOrder)
{
    ASSERT_EQ(engine.open(1000, true), 0);
    EXPECT_EQ(engine.close(), 0);
    EXPECT_EQ(log.lines(),
              (Lines{"OpenLib\n", "waveOpenOut\n", "waveOpenIn\n", "WaveInProc:WIM_OPEN\n",
                     "CloseLib\n", "waveCloseOut\n", "waveCloseIn\n", "WaveInProc:WIM_CLOSE\n"}));
}

TEST_F(EngineTest, LoggingOffWritesNothingEvenWhenADeviceFails)
{
    sim.failOutputOpen = true;
    EXPECT_EQ(engine.open(1000, false), device::kBadDeviceId);
    engine.close();
    EXPECT_FALSE(log.exists());

    EXPECT_EQ(engine.open(1000, 5), device::kBadDeviceId);  // any non-zero switch turns it on
    EXPECT_FALSE(log.lines().empty());
}

TEST_F(EngineTest, FailingOutputOpenStopsBeforeTheInputSide)
{
    sim.failOutputOpen = true;
    EXPECT_EQ(engine.open(1000, true), device::kBadDeviceId);
    EXPECT_EQ(log.lines(), (Lines{"OpenLib\n", "waveOpenOut\n", "Err: waveOutOpen\n"}));
    EXPECT_EQ(engine.track().length(), 1000);  // the track is still there

    // Closing calls every device step on devices that are not open; they are only logged.
    EXPECT_EQ(engine.close(), device::kInvalidHandle);
    EXPECT_EQ(log.linesFrom("CloseLib\n"),
              (Lines{"CloseLib\n", "waveCloseOut\n", "Err: waveOutReset\n", "Err: waveOutClose\n",
                     "waveCloseIn\n", "Err:waveInUnprepareHeader\n", "Err:waveInUnprepareHeader\n",
                     "Err: waveInClose\n", "Err:CloseLib\n"}));
}

TEST_F(EngineTest, FailingInputOpenShowsAsTheSecondPreparation)
{
    sim.failInputOpen = true;
    EXPECT_EQ(engine.open(1000, true), device::kInvalidHandle);
    EXPECT_EQ(log.lines(), (Lines{"OpenLib\n", "waveOpenOut\n", "waveOpenIn\n", "Err: waveInOpen\n",
                                  "Err:waveInPrepareHeader\n", "Err:waveInPrepareHeader\n"}));
}

TEST_F(EngineTest, TrackThatCannotBeHadOpensNothingAndLeavesEverythingSafe)
{
    for (int32_t length : {0, -5, SessionMemory::kMaxFrames + 1}) {
        EXPECT_EQ(engine.open(length, true), device::kNoMemory);
        EXPECT_EQ(backendsMade, 0);
        EXPECT_EQ(engine.track().readValue(0), BRENVIK_OUTSIDE_TRACK);
        EXPECT_EQ(engine.track().writeValue(0, 1), BRENVIK_OUTSIDE_TRACK);
        engine.clearTrack(FrameRange::clipped(0, 10, engine.track().length()));
        EXPECT_EQ(engine.play(FrameRange::clipped(0, 10, 0)), device::kInvalidHandle);
        EXPECT_EQ(engine.stop(), device::kInvalidHandle);
        EXPECT_EQ(engine.record(), device::kInvalidHandle);
        EXPECT_EQ(engine.position(), 0);
        engine.stop();
        EXPECT_EQ(engine.close(), 0);
    }
}

TEST_F(EngineTest, TrackValuesAreReadAndWrittenByValueIndex)
{
    ASSERT_EQ(engine.open(16, false), 0);
    SessionMemory& track = engine.track();
    EXPECT_EQ(track.writeValue(31, 1234), 0);
    EXPECT_EQ(track.readValue(31), 1234);
    EXPECT_EQ(track.frames()[15].right, 1234);
    EXPECT_EQ(track.readValue(32), BRENVIK_OUTSIDE_TRACK);
    EXPECT_EQ(track.readValue(-1), BRENVIK_OUTSIDE_TRACK);
    EXPECT_EQ(track.writeValue(32, 5), BRENVIK_OUTSIDE_TRACK);
    EXPECT_EQ(track.writeValue(-1, 5), BRENVIK_OUTSIDE_TRACK);

    track.writeValue(4, 70000);
    EXPECT_EQ(track.readValue(4), 4464);
    track.writeValue(5, -1);
    EXPECT_EQ(track.readValue(5), -1);
    EXPECT_EQ(track.readValue(6), 0);  // a fresh track is silent
}

TEST_F(EngineTest, ClearSilencesTheClippedRangeOnly)
{
    ASSERT_EQ(engine.open(100, true), 0);
    fillTrack(1);
    engine.clearTrack(FrameRange::clipped(40, 40, 100));
    EXPECT_EQ(engine.track().frames()[40].left, 41);
    engine.clearTrack(FrameRange::clipped(10, 20, 100));
    EXPECT_EQ(engine.track().frames()[9].left, 10);
    EXPECT_EQ(engine.track().frames()[10].left, 0);
    EXPECT_EQ(engine.track().frames()[19].right, 0);
    EXPECT_EQ(engine.track().frames()[20].left, 21);
    engine.clearTrack(FrameRange::clipped(90, 5000, 100));
    EXPECT_EQ(engine.track().frames()[99].left, 0);
    EXPECT_EQ(log.linesFrom("deleteBuf\n").size(), 3u);
}

TEST_F(EngineTest, RecordingWrapsTheRingAndStopRotatesItOldestFirst)
{
    ASSERT_EQ(engine.open(1000, true), 0);
    ASSERT_EQ(engine.record(), 0);
    clock->advance(2500);
    EXPECT_EQ(engine.position(), 500);
    EXPECT_TRUE(engine.isPlaying());

    EXPECT_EQ(engine.stop(), 0);
    EXPECT_FALSE(engine.isPlaying());
    // The position was taken before the reset: the track reads frames 1500 ... 2499 in order.
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(counterAt(engine.track().frames()[i]), 1500 + i) << i;
    }
}

// The simulated card drops every n-th period of 441 frames as silence; after the stop the lost
// stretches must name exactly the silent frames of the turned track, wherever the ring stood.
TEST_F(EngineTest, LostInputIsPlacedWhereTheTurnedTrackHoldsItsSilence)
{
    struct Case {
        int32_t length;
        uint32_t recorded;
        uint32_t dropEvery;
    };
    for (const Case c : {Case{1000, 2500, 2}, Case{5000, 3000, 3}, Case{1000, 700, 2},
                         Case{1000, 12, 1}, Case{4410, 4000, 0}}) {
        sim.dropEvery = c.dropEvery;
        ASSERT_EQ(engine.open(c.length, false), 0);
        fillTrack(1);  // nothing silent before the recording
        ASSERT_EQ(engine.record(), 0);
        clock->advance(c.recorded);
        ASSERT_EQ(engine.stop(), 0);

        std::vector<bool> reported(static_cast<std::size_t>(c.length), false);
        for (const FrameRange& stretch : engine.lostInput()) {
            ASSERT_LE(0, stretch.from);
            ASSERT_LE(stretch.to, c.length);
            std::fill(reported.begin() + stretch.from, reported.begin() + stretch.to, true);
        }
        // The card's first frame, counter 0, is silent without being lost; it is still in the
        // track unless the ring has wrapped, last but the recording when the track was turned.
        const auto recorded = static_cast<int32_t>(c.recorded);
        const int32_t firstFrameAt = recorded >= c.length ? -1 : c.length - recorded;
        const std::span<Frame> frames = engine.track().frames();
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const bool silent = frames[i].left == 0 && frames[i].right == 0;
            const bool firstFrame = static_cast<int32_t>(i) == firstFrameAt && c.dropEvery != 1;
            ASSERT_EQ(reported[i], silent && !firstFrame)
                << "frame " << i << " of a " << c.length << "-frame ring after " << c.recorded
                << " frames, every " << c.dropEvery << " period dropped";
        }
        EXPECT_EQ(engine.lostInput().empty(), c.dropEvery == 0);
        engine.close();
    }
}

TEST_F(EngineTest, RingLogsEachHalfAndStopHandsBothBackUnqueued)
{
    ASSERT_EQ(engine.open(1000, true), 0);
    engine.record();
    clock->advance(3000);
    engine.stop();

    Lines expected{"Record\n"};
    for (int half = 0; half < 6; ++half) {
        expected.push_back("WaveInProc:WIM_DATA\n");
        expected.push_back("WaveInProc:WIM_DATA:Adding Buffer\n");
    }
    expected.insert(expected.end(), {"Stop\n", "WaveInProc:WIM_DATA\n", "WaveInProc:WIM_DATA\n"});
    EXPECT_EQ(log.linesFrom("Record\n"), expected);

    // Neither half is left queued, so closing unprepares and closes cleanly.
    EXPECT_EQ(engine.close(), 0);
}

TEST_F(EngineTest, StopAfterFewerThanTenFramesLeavesTheTrackInPlace)
{
    ASSERT_EQ(engine.open(100, false), 0);
    fillTrack(1000);
    engine.record();
    clock->advance(9);
    engine.stop();
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(counterAt(engine.track().frames()[i]), i);
    }
    EXPECT_EQ(engine.track().frames()[9].left, 1009);
    EXPECT_EQ(engine.track().frames()[99].left, 1099);
}

TEST_F(EngineTest, StopJustPastAWrapStillReadsOldestFirst)
{
    ASSERT_EQ(engine.open(100, false), 0);
    engine.record();
    clock->advance(105);  // the ring has wrapped and stands at frame 5
    engine.stop();
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(counterAt(engine.track().frames()[i]), i + 5) << i;
    }
}

// The card runs on while StopWav takes the position and resets it. Here it runs from the end of
// the first pass until the first half of an odd-length ring has filled again: neither half is
// queued again, the frame after the first half finds no header, and the ring must still read
// as one run, without a frame made of two passes.
TEST_F(EngineTest, StopWhenTheFirstHalfOfAnOddRingFillsLeavesNoFrameTorn)
{
    constexpr int32_t length = 1001;  // the first half holds 500 frames, the second 501
    ASSERT_EQ(engine.open(length, false), 0);
    ASSERT_EQ(engine.record(), 0);
    clock->advance(length - 10);
    stall->before(testing::Side::kInput, testing::Operation::kPosition,
                  [this] { clock->advance(10 + 500 + 1); });
    EXPECT_EQ(engine.stop(), 0);
    for (std::size_t i = 0; i < length; ++i) {
        ASSERT_EQ(counterAt(engine.track().frames()[i]), 500 + i) << i;
    }
}

TEST_F(EngineTest, RingsOfOneToFiveFramesRecordAndTurn)
{
    for (int32_t length = 1; length <= 5; ++length) {
        SCOPED_TRACE(length);
        ASSERT_EQ(engine.open(length, false), 0);
        ASSERT_EQ(engine.record(), 0);
        clock->advance(3 * length + 1);
        EXPECT_EQ(engine.position(), 1 % length);
        EXPECT_EQ(engine.stop(), 0);
        for (int32_t i = 0; i < length; ++i) {
            EXPECT_EQ(counterAt(engine.track().frames()[i]), 2 * length + 1 + i) << i;
        }
        EXPECT_EQ(engine.close(), 0);
    }
}

TEST_F(EngineTest, PlaybackEndClearsIsPlayingAndKeepsThePositionUntilStop)
{
    const auto sinkPath = log.dir() / "played.raw";
    std::filesystem::create_directories(log.dir());
    sim.outputPath = sinkPath;
    ASSERT_EQ(engine.open(1000, true), 0);
    fillTrack(7);

    ASSERT_EQ(engine.play(FrameRange::clipped(100, 300, 1000)), 0);
    clock->advance(150);
    EXPECT_TRUE(engine.isPlaying());
    EXPECT_EQ(engine.position(), 150);
    clock->advance(1000);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(engine.position(), 200);

    std::ifstream sink(sinkPath, std::ios::binary);
    std::vector<char> played((std::istreambuf_iterator<char>(sink)), {});
    ASSERT_EQ(played.size(), 200 * sizeof(Frame));
    EXPECT_EQ(std::memcmp(played.data(), &engine.track().frames()[100], played.size()), 0);

    EXPECT_EQ(engine.stop(), 0);
    EXPECT_EQ(engine.position(), 0);
    EXPECT_EQ(log.linesFrom("Play\n"), (Lines{"Play\n", "Stop\n"}));
}

TEST_F(EngineTest, PlaybackRangeIsClippedToTheTrack)
{
    ASSERT_EQ(engine.open(1000, false), 0);
    ASSERT_EQ(engine.play(FrameRange::clipped(900, 5000, 1000)), 0);
    clock->advance(5000);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(engine.position(), 100);
    engine.stop();
}

TEST_F(EngineTest, StopWhileIdleResetsAndUnpreparesHarmlessly)
{
    ASSERT_EQ(engine.open(100, true), 0);
    fillTrack(3);
    EXPECT_EQ(engine.stop(), 0);
    EXPECT_EQ(engine.track().frames()[0].left, 3);
    EXPECT_EQ(engine.track().frames()[99].left, 102);
    EXPECT_EQ(log.linesFrom("Stop\n"), (Lines{"Stop\n"}));
}

TEST_F(EngineTest, PlayOrRecordDuringARecordingIsRefusedAndTheRecordingGoesOn)
{
    ASSERT_EQ(engine.open(1000, true), 0);
    ASSERT_EQ(engine.record(), 0);
    clock->advance(1200);
    EXPECT_EQ(engine.play(FrameRange{0, 1000}), device::kStillPlaying);
    EXPECT_EQ(engine.record(), device::kStillPlaying);
    EXPECT_TRUE(engine.isPlaying());
    clock->advance(1300);
    EXPECT_EQ(engine.position(), 500);  // still the ring's position

    EXPECT_EQ(engine.stop(), 0);
    EXPECT_FALSE(engine.isPlaying());
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(counterAt(engine.track().frames()[i]), 1500 + i) << i;
    }
    EXPECT_EQ(engine.close(), 0);  // no half was left queued
    for (const std::string& line : log.lines()) {
        EXPECT_FALSE(line.starts_with("Err")) << line;
    }
}

TEST_F(EngineTest, PlayOrRecordDuringAPlaybackIsRefusedUntilItHasPlayed)
{
    ASSERT_EQ(engine.open(1000, false), 0);
    ASSERT_EQ(engine.play(FrameRange{100, 300}), 0);
    clock->advance(50);
    EXPECT_EQ(engine.play(FrameRange{0, 1000}), device::kStillPlaying);
    EXPECT_EQ(engine.record(), device::kStillPlaying);
    EXPECT_TRUE(engine.isPlaying());
    clock->advance(1000);
    EXPECT_EQ(engine.position(), 200);  // the first range only

    // Ended by itself but not stopped: it may be followed by another playback.
    EXPECT_FALSE(engine.isPlaying());
    ASSERT_EQ(engine.play(FrameRange{0, 100}), 0);
    EXPECT_TRUE(engine.isPlaying());
    clock->advance(1000);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(engine.stop(), 0);
    EXPECT_EQ(engine.close(), 0);
}

TEST_F(EngineTest, CloseStopsARunningRecordingBeforeFreeingTheTrack)
{
    ASSERT_EQ(engine.open(1000, false), 0);
    engine.record();
    clock->advance(700);
    EXPECT_EQ(engine.close(), 0);
    EXPECT_FALSE(engine.isPlaying());
    clock->advance(5000);  // no device is left to write into the freed track
    EXPECT_EQ(engine.position(), 0);

    ASSERT_EQ(engine.open(500, false), 0);  // and the engine opens again afresh
    EXPECT_EQ(engine.record(), 0);
    clock->advance(600);
    EXPECT_EQ(engine.position(), 100);
}

TEST_F(EngineTest, CloseStopsARunningPlayback)
{
    ASSERT_EQ(engine.open(1000, false), 0);
    engine.play(FrameRange::clipped(0, 1000, 1000));
    clock->advance(10);
    EXPECT_EQ(engine.close(), 0);
    EXPECT_FALSE(engine.isPlaying());
    clock->advance(5000);
}

TEST_F(EngineTest, FailedRecordKeepsIsPlayingUntilStop)
{
    sim.failInputOpen = true;
    engine.open(1000, true);
    EXPECT_EQ(engine.record(), device::kInvalidHandle);
    EXPECT_TRUE(engine.isPlaying());
    EXPECT_EQ(log.linesFrom("Record\n"), (Lines{"Record\n", "Err:waveInAddBuffer\n",
                                                "Err:waveInAddBuffer\n", "Err:waveInStart\n"}));
    EXPECT_EQ(engine.stop(), device::kInvalidHandle);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(log.lines().back(), "Err:waveInReset\n");
}

// With neither XDG_STATE_HOME nor HOME there is no state directory, and the log goes nowhere
// rather than into whatever directory the process runs in.
TEST(DiagnosticLogTest, WithoutAStateDirectoryMessagesAreDropped)
{
    namespace fs = std::filesystem;
    const fs::path scratch =
        fs::temp_directory_path() / ("brenvik-no-home-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    const fs::path before = fs::current_path();
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string state = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
    fs::current_path(scratch);
    ::unsetenv("HOME");
    ::setenv("XDG_STATE_HOME", "", 1);

    DiagnosticLog log;
    log.setEnabled(true);
    log.write("OpenLib\n");
    EXPECT_EQ(DiagnosticLog::path(), "");
    EXPECT_TRUE(fs::is_empty(scratch));

    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    fs::current_path(before);
    fs::remove_all(scratch);
}

}  // namespace
}  // namespace brenvik
