// SPDX-License-Identifier: GPL-3.0-or-later
// The PortAudio back end against a real ALSA configuration: the test's own ~/.asoundrc routes
// ALSA's "default" device to the null device, the playback side through a file plugin that
// keeps every byte played. ALSA's null device is not paced like a card, so input overflows and
// output underflows happen for real; they must be counted, never be fatal, and lose no frame.
#include <gtest/gtest.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "alsa_home.h"
#include "brenvik.h"
#include "log_capture.h"
#include "stderr_capture.h"
#include "transport_steps.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kTrackLength = 44100;

// The frames of a raw 16-bit stereo file, with the silent ones left out: the back end plays
// silence before, after and in the gaps of the audio it is given.
std::vector<uint32_t> audibleFrames(const fs::path& raw)
{
    std::ifstream in(raw, std::ios::binary);
    std::vector<uint32_t> frames;
    for (uint32_t frame = 0; in.read(reinterpret_cast<char*>(&frame), sizeof frame);) {
        if (frame != 0) {
            frames.push_back(frame);
        }
    }
    return frames;
}

// ALSA's "default" device: the null device, its playback side through a file plugin that keeps
// every byte played in `played`.
std::string nullCardKeepingPlayback(const fs::path& played)
{
    return "pcm.!default {\n"
           "  type asym\n"
           "  playback.pcm {\n"
           "    type file\n"
           "    slave.pcm \"null\"\n"
           "    file \"" +
           played.string() +
           "\"\n"
           "    format \"raw\"\n"
           "  }\n"
           "  capture.pcm \"null\"\n"
           "}\n";
}

class AlsaDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!AlsaHome::portAudioHasAlsa()) {
            GTEST_SKIP() << "PortAudio was built without its ALSA host API";
        }
    }

    fs::path played() const { return log.dir() / "played.raw"; }

    LogCapture log;
    AlsaHome home{log.dir() / "home", nullCardKeepingPlayback(played())};
};

// The frames i of the track hold (i + 1, -(i + 1)): never silent, each one different.
void fillTrackWithNumberedFrames()
{
    for (int32_t frame = 0; frame < kTrackLength; ++frame) {
        TrackWrite(2 * frame, frame + 1);
        TrackWrite(2 * frame + 1, -(frame + 1));
    }
}

uint32_t numberedFrame(int32_t frame)
{
    return static_cast<uint16_t>(frame + 1) | static_cast<uint32_t>(-(frame + 1)) << 16;
}

// Plays the range to its end: IsPlaying drops and the position is the range's length.
void playToTheEnd(int32_t from, int32_t to)
{
    ASSERT_EQ(PlayWav(from, to), 0);
    EXPECT_TRUE(eventually([] { return IsPlaying() == 0; })) << "the playback never ended";
    EXPECT_EQ(GetPosition(), to - from);
    EXPECT_EQ(StopWav(), 0);
}

TEST_F(AlsaDeviceTest, DefaultDeviceOpensRecordsPlaysAndCloses)
{
    ASSERT_EQ(OpenLib(kTrackLength, 1), 0);
    recordUntilTheRingWraps();
    playToTheEnd(100, 541);
    EXPECT_EQ(CloseLib(), 0);

    const std::vector<std::string> lines = log.lines();
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.starts_with("Err"); }));
}

TEST_F(AlsaDeviceTest, OverflowsAndUnderflowsAreCountedAndNeverLoseAFrame)
{
    StderrCapture errors;
    ASSERT_EQ(OpenLib(kTrackLength, 0), 0);
    // The null device takes frames far faster than the engine's rings refill.
    recordUntilTheRingWraps();
    fillTrackWithNumberedFrames();
    const int32_t from = 1000;
    const int32_t to = kTrackLength - 1000;  // about five times the output ring
    playToTheEnd(from, to);
    EXPECT_EQ(CloseLib(), 0);

    // Every frame of the range reached the device once, in order; gaps were filled with silence.
    std::vector<uint32_t> expected;
    for (int32_t frame = from; frame < to; ++frame) {
        expected.push_back(numberedFrame(frame));
    }
    EXPECT_EQ(audibleFrames(played()), expected);
    const std::string reported = errors.text();
    EXPECT_NE(reported.find(" input overflows\n"), std::string::npos) << reported;
    EXPECT_NE(reported.find(" output underflows\n"), std::string::npos) << reported;
}

}  // namespace
