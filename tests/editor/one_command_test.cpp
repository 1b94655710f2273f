// SPDX-License-Identifier: GPL-3.0-or-later
// One command at a time: every command under the busy window holds off the main window's input
// and locks every control that could reach the engine until it is done; a command nested in the
// transport's follow loop gives the transport's lock back as it found it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "editor_fixture.h"

namespace {

using enum LockableControl;

// The controls a transport keeps usable, so that they can run inside its follow loop.
const LockableControl kUsableDuringTransport[] = {cmdStop, mnuControl, mnuFX};

class OneCommand : public EditorFixture {
protected:
    void SetUp() override
    {
        startUp();
        editor.selection().select(1000, 50000);
    }

    bool everyControl(bool state) const
    {
        if (window.enabled.size() != kLockableControls) return false;
        for (const auto& [control, enabled] : window.enabled)
            if (enabled != state) return false;
        return true;
    }
};

TEST_F(OneCommand, EveryCommandUnderTheBusyWindow_HoldsInputAndLocksEverythingUntilItEnds)
{
    window.browseAnswer = "take.wav";
    editor.edits().cut();  // something to undo
    struct Case {
        const char* name;
        std::function<void()> command;
    };
    const Case cases[] = {
        {"New", [&] { editor.files().newFile(); }},
        {"Open", [&] { editor.files().open(); }},
        {"Properties", [&] { editor.files().properties(); }},
        {"Save As", [&] { editor.files().saveAs(); }},
        {"Cut", [&] { editor.edits().cut(); }},
        {"Undo", [&] { editor.edits().undo(); }},
        {"Redo", [&] { editor.edits().redo(); }},
        {"Fade In", [&] { editor.edits().fadeIn(); }},
        {"Fade Out", [&] { editor.edits().fadeOut(); }},
        {"Select Song", [&] { editor.selection().selectSong(); }},
        {"Record, then Stop's reordering", [&] { editor.transport().record(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        editor.selection().select(1000, 50000);
        int busyWindows = 0;
        window.onBusyInit = [&] {
            ++busyWindows;
            EXPECT_TRUE(window.inputHeld);
            EXPECT_TRUE(everyControl(false));
        };
        c.command();
        window.onBusyInit = nullptr;
        ASSERT_GT(busyWindows, 0) << "no busy window";
        EXPECT_FALSE(window.inputHeld);
        EXPECT_TRUE(everyControl(true));
    }
}

TEST_F(OneCommand, FadeNestedInAPlayback_GivesTheTransportItsLockBack)
{
    int32_t passes = 2;
    engine.IsPlaying = [] { return int32_t(1); };
    std::map<LockableControl, bool> afterTheFade;
    bool heldAfterTheFade = true;
    window.onEvents = [&] {
        if (--passes == 1) {
            editor.edits().fadeIn();
            afterTheFade = window.enabled;
            heldAfterTheFade = window.inputHeld;
        } else {
            editor.transport().stop();
        }
    };
    editor.transport().play();

    EXPECT_FALSE(heldAfterTheFade);
    ASSERT_EQ(afterTheFade.size(), kLockableControls);
    for (const auto& [control, enabled] : afterTheFade) {
        const bool usable =
            std::ranges::find(kUsableDuringTransport, control) != std::end(kUsableDuringTransport);
        EXPECT_EQ(enabled, usable) << int(control);
    }
    EXPECT_TRUE(everyControl(true));
    EXPECT_EQ(window.inputHolds, (std::vector<bool>{true, false}));
}

}  // namespace
