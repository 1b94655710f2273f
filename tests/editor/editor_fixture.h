// SPDX-License-Identifier: GPL-3.0-or-later
// An Editor over a fake engine and a fake window, started the way the program starts it.
#pragma once

#include <gtest/gtest.h>

#include "editor.h"
#include "fake_engine.h"
#include "fake_window.h"

class EditorFixture : public ::testing::Test {
protected:
    FakeEngine fakeEngine;
    EngineApi engine = fakeEngine.api();
    FakeWindow window;
    Editor editor{engine, window};

    // Start-up with the settings dialog accepted; the view then shows the whole default track.
    void startUp()
    {
        editor.startup();
        window.fakeView.ops.clear();
        window.log.clear();
        window.enabled.clear();  // start-up's own lock is over
        window.inputHolds.clear();
    }

    void setZoom(int32_t zoom, int32_t viewPosition)
    {
        window.hscZoom = zoom;
        window.hscView = viewPosition;
        editor.view().updateViewStart();
    }
};
