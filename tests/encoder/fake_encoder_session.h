// SPDX-License-Identifier: GPL-3.0-or-later
// SaveAsMp3 through the engine copy in FAKE_ENCODER_DIR, beside a recording fake encoder: an
// open track filled with a pattern, the fake's call log, and the file the export writes. The
// fake takes chunks of 1000 samples and hands back its input, so the file shows the pattern.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine_library.h"
#include "temp_directory.h"
#include "wav_image.h"

class FakeEncoderSession : public ::testing::Test {
protected:
    static constexpr int32_t kTrackFrames = 4096;

    static void SetUpTestSuite()
    {
        setenv("BRENVIK_AUDIO", "sim", 1);
        ASSERT_EQ(engine.load(FAKE_ENCODER_DIR "/libbrenvik.so"), "");
    }

    void SetUp() override
    {
        ASSERT_NE(engine.openLib, nullptr);
        setenv("FAKE_BLADEENC_LOG", logPath.c_str(), 1);
        setenv("FAKE_BLADEENC_CHUNK", "1000", 1);
        unsetenv("FAKE_BLADEENC_FAIL");
        ASSERT_EQ(engine.openLib(kTrackFrames, 0), 0);
        for (int32_t i = 0; i < kTrackFrames * 2; ++i)
            ASSERT_EQ(engine.trackWrite(i, patternValue(i)), 0);
    }

    static int16_t patternValue(int32_t valueIndex)
    {
        return static_cast<int16_t>(valueIndex * 7919 + 3);
    }

    // The bytes the fake hands back for frames [from, to): the samples themselves.
    static std::string patternBytes(int32_t from, int32_t to)
    {
        std::vector<int16_t> values;
        for (int32_t i = from * 2; i < to * 2; ++i) values.push_back(patternValue(i));
        return wav_image::values(values);
    }

    static std::vector<uint8_t> withFlush(const std::string& bytes)
    {
        const std::string file = bytes + "FLUSH";
        return {file.begin(), file.end()};
    }

    void TearDown() override
    {
        if (!engine.closeLib) return;
        engine.setSongDetails(nullptr);
        engine.closeLib();
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
