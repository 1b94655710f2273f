// SPDX-License-Identifier: GPL-3.0-or-later
// SaveAsMp3 with a recording fake encoder that has beInfoFrame: where the engine puts the song's
// tag and the final Info frame, and what a failing Info frame leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fake_encoder_session.h"
#include "mp3_frames.h"

namespace {

using ::testing::ElementsAreArray;

constexpr const char* kInit = "beInitStream kind 0 rate 44100 mode 0 bitrate 192 flags 0000 info";
// Two full chunks and a half, the flush, then the Info frame before the stream is closed.
const std::vector<std::string> kCallsFor1250Frames{kInit,
                                                   "beEncodeChunk 42 1000",
                                                   "beEncodeChunk 42 1000",
                                                   "beEncodeChunk 42 500",
                                                   "beDeinitStream 42",
                                                   "beInfoFrame 42",
                                                   "beCloseStream 42"};

class Mp3InfoFrame : public FakeEncoderSession {};

// The final frame takes the placeholder's place: right after the tag, or first without one.
TEST_F(Mp3InfoFrame, TheFinalFrameTakesThePlaceholdersPlace)
{
    ASSERT_EQ(engine.setSongDetails("title=Song\nartist=Artist"), 0);
    ASSERT_EQ(engine.saveAsMp3(100, 1350, mp3Path.c_str()), 0);
    const std::string file = readText(mp3Path);
    const size_t tag = id3TagBytes(readBytes(mp3Path));
    ASSERT_GT(tag, 10u);
    EXPECT_EQ(file.substr(tag), "FINAL-INFO-FRAME!" + patternBytes(100, 1350) + "FLUSH");
    EXPECT_THAT(calls(), ElementsAreArray(kCallsFor1250Frames));

    ASSERT_EQ(engine.setSongDetails(nullptr), 0);
    ASSERT_EQ(engine.saveAsMp3(7, 7, mp3Path.c_str()), 0);  // also for an empty range
    EXPECT_EQ(readText(mp3Path), "FINAL-INFO-FRAME!FLUSH");
}

TEST_F(Mp3InfoFrame, AFailingInfoFrameIsAStreamError_AndTheStreamIsClosed)
{
    setenv("FAKE_BLADEENC_FAIL", "beInfoFrame", 1);

    EXPECT_EQ(engine.saveAsMp3(0, 1250, mp3Path.c_str()), BRENVIK_MP3_STREAM_ERROR);

    EXPECT_THAT(calls(), ElementsAreArray(kCallsFor1250Frames));
}

}  // namespace
