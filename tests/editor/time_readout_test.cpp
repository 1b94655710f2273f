// SPDX-License-Identifier: GPL-3.0-or-later
// The times the view's tool tip reads, worked out by hand at 44100 frames a second.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "time_readout.h"

namespace {

TEST(TimeReadout, FramesReadAsMinutesSecondsAndMillisecondsCut)
{
    EXPECT_EQ(trackTimeText(0), "0:00.000");
    EXPECT_EQ(trackTimeText(141120), "0:03.200");   // a tick of the view, 3.2 s
    EXPECT_EQ(trackTimeText(44099), "0:00.999");    // 999.98 ms: cut, not rounded up
    EXPECT_EQ(trackTimeText(2646000), "1:00.000");  // a minute
    EXPECT_EQ(trackTimeText(2645999), "0:59.999");
    EXPECT_EQ(trackTimeText(26460000), "10:00.000");
    EXPECT_EQ(trackTimeText(67108864), "25:21.742");  // the 256 MB track, 1521.7429 s
}

TEST(TimeReadout, ToolTipReadsPointerThenTheSelectionInOrder)
{
    const std::string expected =
        "Pointer: 0:03.200\nStart: 0:01.000\nEnd: 0:04.500\nLength: 0:03.500";
    EXPECT_EQ(viewToolTipText(141120, 44100, 198450), expected);
    EXPECT_EQ(viewToolTipText(141120, 198450, 44100), expected);  // dragged to the left
}

using ViewToolTip = EditorFixture;

TEST_F(ViewToolTip, ReadsTheFrameUnderThePointerThroughTheViewMapping)
{
    EXPECT_EQ(editor.view().toolTip(100.0f), "");  // no track yet
    startUp();
    // Column 100 of the default track is frame 161568 (3663.7 ms); the whole track is
    // selected, frames 0 to 1048574 (23777.2 ms).
    EXPECT_EQ(editor.view().toolTip(100.0f),
              "Pointer: 0:03.663\nStart: 0:00.000\nEnd: 0:23.777\nLength: 0:23.777");
    setZoom(2, 16384);  // the view starts at frame 262144 (5944.3 ms)
    EXPECT_EQ(editor.view().toolTip(0.0f).substr(0, 17), "Pointer: 0:05.944");
}

}  // namespace
