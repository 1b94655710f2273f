// SPDX-License-Identifier: GPL-3.0-or-later
// The engine as the editor sees it: the shared library, on the real-time simulated card running
// many times faster than real time.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brenvik.h"
#include "log_capture.h"
#include "stderr_capture.h"
#include "transport_steps.h"

namespace {

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("BRENVIK_AUDIO", "sim", 1);
        ::setenv("BRENVIK_SIM_SPEED", "100", 1);
    }
    void TearDown() override
    {
        ::unsetenv("BRENVIK_AUDIO");
        ::unsetenv("BRENVIK_SIM_SPEED");
        ::unsetenv("BRENVIK_SIM_OUTPUT");
        ::unsetenv("BRENVIK_SIM_DROP");
    }

    LogCapture log;
};

TEST_F(ExportsTest, RecordingThroughTheWrappedRingReadsOldestFirstAfterStop)
{
    const int32_t length = 4410;
    ASSERT_EQ(OpenLib(length, 0), 0);
    // Seeing the ring position fall back proves the device has passed the end of the track.
    ASSERT_NO_FATAL_FAILURE(recordUntilTheRingWraps());
    // The card runs on while StopWav queries and resets it; the rotation still uses where it
    // really stopped, so the track is one run of consecutive frames, the newest last.
    EXPECT_TRUE(isOneUnbrokenRun(length));
    EXPECT_EQ(CloseLib(), 0);
}

// The editor's Play during a recording used to stop only the output at the next StopWav, leave
// the ring unturned and make CloseLib fail.
TEST_F(ExportsTest, PlayDuringARecordingIsRefusedAndStopStillTurnsTheRing)
{
    constexpr int32_t length = 4411;
    ASSERT_EQ(OpenLib(length, 0), 0);
    ASSERT_NO_FATAL_FAILURE(
        recordUntilTheRingWraps([] { EXPECT_EQ(PlayWav(0, length), BRENVIK_ERR_STILL_PLAYING); }));
    EXPECT_TRUE(isOneUnbrokenRun(length));
    EXPECT_EQ(CloseLib(), 0);
}

TEST_F(ExportsTest, TheSimulatedCardListsOneSourceAndRefusesOthers)
{
    EXPECT_EQ(ListSources(nullptr, 0), -BRENVIK_ERR_NOT_OPEN);
    EXPECT_EQ(SelectSource("sim"), BRENVIK_ERR_NOT_OPEN);
    ASSERT_EQ(OpenLib(4410, 0), 0);
    const std::string list = "sim\tSimulated card\tinput\n";
    std::vector<char> buffer(64, 'x');
    EXPECT_EQ(ListSources(nullptr, 0), static_cast<int32_t>(list.size() + 1));
    EXPECT_EQ(ListSources(buffer.data(), static_cast<int32_t>(list.size())),
              static_cast<int32_t>(list.size() + 1));
    EXPECT_STREQ(buffer.data(), "") << "a list that does not fit is not cut short";
    EXPECT_EQ(ListSources(buffer.data(), static_cast<int32_t>(buffer.size())),
              static_cast<int32_t>(list.size() + 1));
    EXPECT_EQ(buffer.data(), list);

    EXPECT_EQ(SelectSource("mic"), BRENVIK_ERR_BAD_DEVICE);
    EXPECT_EQ(SelectSource("sim"), 0);
    EXPECT_EQ(SelectSource(nullptr), 0);
    ASSERT_EQ(RecordWav(), 0);
    EXPECT_EQ(SelectSource(""), BRENVIK_ERR_STILL_PLAYING);
    EXPECT_EQ(StopWav(), 0);
    EXPECT_EQ(CloseLib(), 0);
}

TEST_F(ExportsTest, DroppedPeriodsAreToldAfterTheStopAndForgottenAtTheNextRecording)
{
    ::setenv("BRENVIK_SIM_DROP", "5", 1);
    const int32_t length = 44100;
    ASSERT_EQ(OpenLib(length, 0), 0);
    ASSERT_NO_FATAL_FAILURE(recordUntilTheRingWraps());
    const int32_t count = GetLostInput(nullptr, 0);
    ASSERT_GE(count, 19);  // one period in five, all but a part at either end of the ring
    std::vector<int32_t> stretches(2 * static_cast<std::size_t>(count));
    EXPECT_EQ(GetLostInput(stretches.data(), count), count);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t first = stretches[2 * i];
        EXPECT_GT(stretches[2 * i + 1], 0);
        EXPECT_LE(first + stretches[2 * i + 1], length);
        EXPECT_EQ(TrackRead(2 * first), 0) << "stretch " << i << " at frame " << first;
    }
    ASSERT_EQ(RecordWav(), 0);
    EXPECT_EQ(GetLostInput(nullptr, 0), 0);
    EXPECT_EQ(StopWav(), 0);
    EXPECT_EQ(CloseLib(), 0);
}

TEST_F(ExportsTest, PlaybackPlaysExactlyTheClippedRange)
{
    const auto sink = log.dir() / "played.raw";
    std::filesystem::create_directories(log.dir());
    ::setenv("BRENVIK_SIM_OUTPUT", sink.c_str(), 1);
    ASSERT_EQ(OpenLib(8820, 0), 0);
    for (int32_t index = 0; index < 2 * 8820; ++index) {
        TrackWrite(index, index);
    }
    ASSERT_EQ(PlayWav(4410, 100000), 0);
    EXPECT_TRUE(eventually([] { return IsPlaying() == 0; }));
    EXPECT_EQ(GetPosition(), 4410);

    std::ifstream in(sink, std::ios::binary);
    std::vector<int16_t> played(2 * 4410 + 1);
    in.read(reinterpret_cast<char*>(played.data()), played.size() * 2);
    ASSERT_EQ(in.gcount(), 4410 * 4);
    for (int32_t value = 0; value < 2 * 4410; ++value) {
        ASSERT_EQ(played[value], static_cast<int16_t>(2 * 4410 + value));
    }
    EXPECT_EQ(StopWav(), 0);
    EXPECT_EQ(CloseLib(), 0);
}

TEST_F(ExportsTest, CloseWhileRecordingStopsTheCardFirst)
{
    ASSERT_EQ(OpenLib(1000, 1), 0);
    ASSERT_EQ(RecordWav(), 0);
    EXPECT_TRUE(eventually([] { return GetPosition() > 0; }));
    EXPECT_EQ(CloseLib(), 0);
    EXPECT_EQ(IsPlaying(), 0);
    EXPECT_EQ(TrackRead(0), BRENVIK_OUTSIDE_TRACK);
    EXPECT_EQ(log.lines().back(), "WaveInProc:WIM_CLOSE\n");
}

TEST_F(ExportsTest, RangesOutsideTheTrackAreClippedAndBadLengthsRefused)
{
    EXPECT_EQ(OpenLib(0, 1), BRENVIK_ERR_NO_MEMORY);
    EXPECT_EQ(TrackRead(0), BRENVIK_OUTSIDE_TRACK);
    EXPECT_EQ(TrackWrite(0, 1), BRENVIK_OUTSIDE_TRACK);
    EXPECT_EQ(TrackClear(-100, 100), 0);
    EXPECT_EQ(CloseLib(), 0);

    ASSERT_EQ(OpenLib(100, 0), 0);
    TrackWrite(199, 5);
    EXPECT_EQ(TrackClear(-100, 50), 0);
    EXPECT_EQ(TrackClear(60, 40), 0);
    EXPECT_EQ(TrackRead(199), 5);
    EXPECT_EQ(TrackClear(50, 1000000), 0);
    EXPECT_EQ(TrackRead(199), 0);
    EXPECT_EQ(CloseLib(), 0);
}

// The log stays where the state directory was when OpenLib switched it on: no message, the
// device thread's included, looks at the environment again.
TEST_F(ExportsTest, LogStaysWhereOpenLibPutIt)
{
    ASSERT_EQ(OpenLib(4410, 1), 0);
    const LogCapture elsewhere;  // points XDG_STATE_HOME at another directory
    EXPECT_EQ(TrackClear(0, 10), 0);
    ASSERT_EQ(RecordWav(), 0);
    EXPECT_TRUE(ringWraps());
    EXPECT_EQ(StopWav(), 0);
    EXPECT_EQ(CloseLib(), 0);

    EXPECT_FALSE(elsewhere.exists());
    const auto lines = log.lines();
    for (const char* message : {"deleteBuf\n", "WaveInProc:WIM_DATA\n", "CloseLib\n"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), message), lines.end()) << message;
    }
}

// This machine has no sound card: PortAudio finds no device that opens, and says so, without
// the libraries' probing messages (ALSA's and JACK's) on standard error.
TEST_F(ExportsTest, PortAudioWithoutACardGivesBadDeviceId)
{
    ::setenv("BRENVIK_AUDIO", "portaudio", 1);
    StderrCapture errors;
    const int32_t result = OpenLib(1000, 1);
    EXPECT_EQ(errors.text(), "");
    if (result == 0) {
        CloseLib();
        GTEST_SKIP() << "a sound device is present";
    }
    EXPECT_EQ(result, BRENVIK_ERR_BAD_DEVICE);
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"OpenLib\n", "waveOpenOut\n", "Err: waveOutOpen\n"}));
    CloseLib();
}

// The block exports agree with TrackRead and TrackWrite value for value, and refuse any range
// that does not lie inside the track as a whole.
TEST_F(ExportsTest, TrackFramesBlocksMatchSingleValuesAndRangesOutsideAreRefused)
{
    constexpr int32_t length = 1000;
    EXPECT_EQ(TrackReadFrames(0, 1, std::vector<int16_t>(2).data()), BRENVIK_OUTSIDE_TRACK);
    ASSERT_EQ(OpenLib(length, 0), 0);
    std::vector<int16_t> written(2 * 300);
    for (size_t i = 0; i < written.size(); ++i) written[i] = int16_t(i * 211 - 32768);
    EXPECT_EQ(TrackWriteFrames(500, 800, written.data()), 300);
    for (int32_t v = 0; v < 600; ++v) ASSERT_EQ(TrackRead(1000 + v), written[size_t(v)]) << v;

    std::vector<int16_t> read(2 * 300);
    EXPECT_EQ(TrackReadFrames(500, 800, read.data()), 300);
    EXPECT_EQ(read, written);
    EXPECT_EQ(TrackReadFrames(length, length, read.data()), 0);

    struct Refused {
        int32_t from, to;
        const int16_t* values;
    };
    for (const Refused& r : {Refused{-1, 10, read.data()}, Refused{900, 1001, read.data()},
                             Refused{20, 10, read.data()}, Refused{0, 10, nullptr}}) {
        EXPECT_EQ(TrackWriteFrames(r.from, r.to, r.values), BRENVIK_OUTSIDE_TRACK) << r.from;
        EXPECT_EQ(TrackReadFrames(r.from, r.to, const_cast<int16_t*>(r.values)),
                  BRENVIK_OUTSIDE_TRACK)
            << r.from;
    }
    EXPECT_EQ(CloseLib(), 0);
}

}  // namespace

namespace {

TEST_F(ExportsTest, TheRingTurnNamesTheRingFrameTheTurnedTrackStartsWith)
{
    struct Case {
        int32_t length;
        bool recorded;  // a recording through the wrapped ring, or none since OpenLib
    };
    for (const Case& c : {Case{4410, true}, Case{44100, true}, Case{4410, false}}) {
        SCOPED_TRACE(testing::Message() << c.length << (c.recorded ? " recorded" : " opened"));
        ASSERT_EQ(OpenLib(c.length, 0), 0);
        if (c.recorded) {
            ASSERT_NO_FATAL_FAILURE(recordUntilTheRingWraps());
        }
        const int32_t turn = GetRingTurn();
        if (c.recorded) {
            ASSERT_GE(turn, 0);
            ASSERT_LT(turn, c.length);
            // The oldest frame was recorded at ring frame turn: its counter says so.
            EXPECT_EQ(counterAt(0) % uint32_t(c.length), uint32_t(turn));
            ASSERT_EQ(RecordWav(), 0);
            EXPECT_EQ(GetRingTurn(), -1) << "a recording that runs has not been turned";
            EXPECT_EQ(StopWav(), 0);
        } else {
            EXPECT_EQ(turn, -1);
        }
        EXPECT_EQ(CloseLib(), 0);
    }
}

}  // namespace
