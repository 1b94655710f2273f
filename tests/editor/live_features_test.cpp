// SPDX-License-Identifier: GPL-3.0-or-later
// Select Song's features gathered while recording: the editor's core records from the simulated
// card over the engine library of this build, stops, and the features left ready for the
// turned track are those a fresh analysis of it finds; Select Song then decides on them at once,
// without the busy window. The card's thread records while the editor's thread reads the track.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "editor.h"
#include "fake_window.h"
#include "made_up_sound.h"
#include "real_engine.h"
#include "temp_directory.h"
#include "track_length.h"
#include "wav_image.h"

namespace {

constexpr int32_t kRing = kFramesPerMegabyte;  // 5.9 s

class LiveFeaturesTest : public ::testing::Test {
protected:
    TempDirectory directory;
    FakeWindow window;
    EngineApi& engine = realEngine();
    Editor editor{engine, window};

    void SetUp() override
    {
        // 13 s of sound the card plays in a loop, not a whole number of rings; twenty times
        // real time.
        const std::string input = directory.file("input.wav");
        using namespace wav_image;
        writeFile(input, wave(values(madeUpSound(13 * 44100 + 777, 5))));
        setenv("BRENVIK_SIM_INPUT", input.c_str(), 1);
        setenv("BRENVIK_SIM_SPEED", "20", 1);
        window.settings["Defaults/Memory"] = std::to_string(kRing);
        editor.startup();
        ASSERT_TRUE(editor.state().frm.bInitLib);
    }

    void TearDown() override
    {
        editor.files().closeDevices();
        unsetenv("BRENVIK_SIM_INPUT");
        unsetenv("BRENVIK_SIM_SPEED");
    }

    // Records until the write position has come round `wraps` times and passed frame `past`;
    // with fadeMeanwhile, the first stretch recorded is faded in on the way.
    void recordUntil(int wraps, int32_t past, bool fadeMeanwhile)
    {
        bool faded = false;
        int passed = 0;
        int32_t last = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        window.onEvents = [&] {
            const int32_t position = engine.GetPosition();
            if (position < last) ++passed;
            last = position;
            if (fadeMeanwhile && !faded && position > kRing / 8) {
                faded = true;
                fadeColumns(10.0f, 20.0f);
            }
            const bool late = std::chrono::steady_clock::now() > deadline;
            if (late) ADD_FAILURE() << "the card did not get there within a minute";
            if (late || (passed >= wraps && position >= past)) editor.transport().stop();
        };
        editor.transport().record();
        window.onEvents = nullptr;
    }

    void fadeColumns(float from, float to)
    {
        editor.selection().mouseDown(from);
        editor.selection().mouseUp(to);
        editor.edits().fadeIn();
    }

    // Select Song's busy windows (the worker's).
    long busyWindowsOfSelectSong()
    {
        window.log.clear();
        editor.selection().selectSong();
        return std::count(window.log.begin(), window.log.end(), "busy init");
    }
};

TEST_F(LiveFeaturesTest, AfterStop_TheReadyFeaturesAreAFreshAnalysisOfTheTurnedTrack)
{
    // Before the ring wraps, the turned track begins with what the ring held: the engine's
    // first track, then the audio of the recording before. A fade during the recording changes
    // frames already gathered: nothing is ready, and Select Song reads the track.
    struct Case {
        int wraps;           // times the ring was filled before Stop
        int32_t past;        // the write position Stop comes after
        bool fadeMeanwhile;  // a fade nested in the recording
    };
    const Case cases[] = {
        {0, kRing / 2, false}, {1, kRing / 3, false},    {2, kRing - 30000, false},
        {0, kRing / 4, false}, {0, kRing - 3000, false}, {1, kRing / 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wraps << " wraps, then past " << c.past
                                        << (c.fadeMeanwhile ? ", a fade meanwhile" : ""));
        recordUntil(c.wraps, c.past, c.fadeMeanwhile);
        const std::optional<ReadyFeatures>& ready = editor.state().liveFeatures.ready();
        ASSERT_EQ(ready.has_value(), !c.fadeMeanwhile);
        // Select Song decides at once on ready features; without them it reads the track.
        EXPECT_EQ(busyWindowsOfSelectSong(), ready ? 0 : 1);
        if (!ready) continue;
        const int32_t first = ready->firstFrame;
        EXPECT_EQ(first, (kHopFrames - engine.GetRingTurn() % kHopFrames) % kHopFrames);
        const std::optional<SoundFeatures> fresh = extractFeatures(
            [this, first](int32_t from, int32_t to, int16_t* values) {
                return engine.TrackReadFrames(from + first, to + first, values);
            },
            kRing - first);
        ASSERT_TRUE(fresh);
        EXPECT_TRUE(ready->features == *fresh);
        // A fade changes the audio: Select Song reads the track again.
        fadeColumns(10.0f, 20.0f);
        EXPECT_FALSE(editor.state().liveFeatures.ready());
    }
}

}  // namespace
