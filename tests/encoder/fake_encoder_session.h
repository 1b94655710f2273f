// SPDX-License-Identifier: GPL-3.0-or-later
// SaveAsMp3 through the engine copy in FAKE_ENCODER_DIR, beside a recording fake encoder: an
// open track filled with a pattern, the fake's call log, and the file the export writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine_library.h"
#include "temp_directory.h"

class FakeEncoderSession : public ::testing::Test {
protected:
    static constexpr int32_t kTrackFrames = 4096;

    static void SetUpTestSuite()
    {
        setenv("BRENVIK_AUDIO", "sim", 1);
        ASSERT_EQ(engine.load(FAKE_ENCODER_DIR "/libbrenvik.so"), "");
    }

    // Opens the track with value(i) at every value index i; the fake takes chunks of 1000
    // samples.
    void openPatternTrack(int16_t (*value)(int32_t))
    {
        ASSERT_NE(engine.openLib, nullptr);
        setenv("FAKE_BLADEENC_LOG", logPath.c_str(), 1);
        setenv("FAKE_BLADEENC_CHUNK", "1000", 1);
        unsetenv("FAKE_BLADEENC_FAIL");
        ASSERT_EQ(engine.openLib(kTrackFrames, 0), 0);
        for (int32_t i = 0; i < kTrackFrames * 2; ++i) ASSERT_EQ(engine.trackWrite(i, value(i)), 0);
    }

    void TearDown() override
    {
        if (engine.closeLib) engine.closeLib();
    }

    // The fake's calls, a line each.
    std::vector<std::string> calls() const
    {
        std::vector<std::string> lines;
        std::ifstream in(logPath);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    static inline EngineLibrary engine;
    TempDirectory dir;
    const std::string logPath = dir.file("calls.log");
    const std::string mp3Path = dir.file("out.mp3");
};
