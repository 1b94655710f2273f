// SPDX-License-Identifier: GPL-3.0-or-later
// A fade nested in a recording: the editor's core, driven through a fake window, over the engine
// library of this build on the simulated card. The editor's thread reads and writes track values
// while the card's thread records into the same track, so the test also runs in the
// ThreadSanitizer build (label "threads").
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor.h"
#include "fake_window.h"
#include "real_engine.h"
#include "track_length.h"

namespace {

// Columns 100 to 200 of the 649-column view over 262144 frames (403.92 frames a column).
constexpr int32_t kFadeBegin = 40392;
constexpr int32_t kFadeMiddle = 60588;  // the left value here is halfway up the ramp
constexpr int32_t kFadeEnd = 80784;

class NestedFade : public ::testing::Test {
protected:
    FakeWindow window;
    EngineApi& engine = realEngine();
    Editor editor{engine, window};

    void SetUp() override
    {
        // Twice real time: the recording head takes seconds to come round to the faded frames.
        setenv("BRENVIK_SIM_SPEED", "2", 1);
        window.settings["Defaults/Memory"] = std::to_string(kFramesPerMegabyte);
        editor.startup();
        ASSERT_TRUE(editor.state().frm.bInitLib);
        window.log.clear();
    }

    void TearDown() override
    {
        editor.files().closeDevices();
        unsetenv("BRENVIK_SIM_SPEED");
    }
};

TEST_F(NestedFade, FadeInDuringARecording_RampsTheRecordedFramesAndStopStillTurnsTheRing)
{
    struct Values {
        int32_t begin = 0, middle = 0, end = 0;
    };
    const auto leftValues = [this] {
        return Values{engine.TrackRead(2 * kFadeBegin), engine.TrackRead(2 * kFadeMiddle),
                      engine.TrackRead(2 * kFadeEnd)};
    };
    Values before;
    Values after;
    bool faded = false;
    bool recordingAfterFade = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    window.onEvents = [&] {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the card did not record past the faded frames within 30 seconds";
            editor.transport().stop();
            return;
        }
        // Once the card has recorded past the stretch, the user selects it and fades it in, and
        // presses Stop on the next pass.
        if (faded) {
            editor.transport().stop();
            return;
        }
        if (engine.GetPosition() < kFadeEnd + 20000) return;
        editor.selection().mouseDown(100.0f);
        editor.selection().mouseUp(200.0f);
        before = leftValues();
        editor.edits().fadeIn();
        after = leftValues();
        recordingAfterFade = engine.IsPlaying() != 0;
        faded = true;
    };
    editor.transport().record();

    ASSERT_TRUE(faded);
    EXPECT_TRUE(recordingAfterFade);
    EXPECT_EQ(editor.state().selection->clipbegin, kFadeBegin);
    EXPECT_EQ(editor.state().selection->clipend, kFadeEnd);
    EXPECT_EQ(after.begin, 0);
    EXPECT_NEAR(after.middle, before.middle / 2.0, 0.5);
    EXPECT_EQ(after.end, before.end);
    EXPECT_NE(before.middle, 0);
    // The fade ran whole under its busy window inside the loop; Stop then turned the ring.
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"busy hide", "busy text: Applying Effects ...", "busy init",
                                        "busy hide", "busy text: Reordering track...", "busy init",
                                        "busy hide"}));
    EXPECT_EQ(engine.IsPlaying(), 0);
    for (const auto& [control, enabled] : window.enabled) EXPECT_TRUE(enabled);
    // What the fade kept was recorded over since, and the ring's turn moved it: no Undo.
    EXPECT_FALSE(window.canUndo);
}

}  // namespace
