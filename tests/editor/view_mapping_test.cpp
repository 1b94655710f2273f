// SPDX-License-Identifier: GPL-3.0-or-later
// Columns of the 649-column view to frames of the default 1048576-frame track and back, with
// the numbers worked out by hand: at zoom 1 a column covers 1048576 / 649 = 1615.68 frames.
#include "editor_fixture.h"

namespace {

using ViewMapping = EditorFixture;

TEST_F(ViewMapping, WholeTrackAtZoomOne_ColumnsMapToFramesClampedToTheTrack)
{
    startUp();
    EXPECT_EQ(editor.view().xToFrame(0), 0);
    EXPECT_EQ(editor.view().xToFrame(1), 1616);
    EXPECT_EQ(editor.view().xToFrame(100), 161568);
    EXPECT_EQ(editor.view().xToFrame(102), 164799);
    EXPECT_EQ(editor.view().xToFrame(648), 1046960);  // the last column, short of trklen - 2
    EXPECT_EQ(editor.view().xToFrame(-20), 0);
    EXPECT_EQ(editor.view().xToFrame(5000), 1048574);
}

TEST_F(ViewMapping, FramesRoundToTheNearestColumnAndBeyondTheLastColumnMapToIt)
{
    startUp();
    EXPECT_EQ(editor.view().frameToX(0), 0);
    EXPECT_EQ(editor.view().frameToX(807), 0);  // 0.4995 of a column
    EXPECT_EQ(editor.view().frameToX(808), 1);  // 0.5001 of a column
    EXPECT_EQ(editor.view().frameToX(524288), 324);
    EXPECT_EQ(editor.view().frameToX(1046960), 648);
    EXPECT_EQ(editor.view().frameToX(1048574), 648);
    EXPECT_EQ(editor.view().frameToX(2000000), 648);
}

TEST_F(ViewMapping, ZoomTwoAtHalfwayStartsAtAQuarterOfTheTrack)
{
    startUp();
    setZoom(2, 16384);
    EXPECT_EQ(editor.state().scales->zoom, 2);
    EXPECT_EQ(editor.state().scales->trkbegin, 262144);
    EXPECT_EQ(editor.view().xToFrame(0), 262144);
    EXPECT_EQ(editor.view().xToFrame(100), 342928);
    EXPECT_EQ(editor.view().xToFrame(648), 785624);
    EXPECT_EQ(editor.view().frameToX(262143), 0);  // before the left edge
    EXPECT_EQ(editor.view().frameToX(342928), 100);
    EXPECT_EQ(editor.view().frameToX(600000), 418);
}

TEST_F(ViewMapping, ViewPositionHasNoEffectBelowZoomTwo)
{
    startUp();
    setZoom(1, 30000);
    EXPECT_EQ(editor.state().scales->trkbegin, 0);
    EXPECT_EQ(editor.view().xToFrame(100), 161568);
}

TEST_F(ViewMapping, FullZoomAtTheEndStaysInsideTheTrack)
{
    startUp();
    setZoom(256, 32767);
    EXPECT_EQ(editor.state().scales->trkbegin, 1044448);
    EXPECT_EQ(editor.view().xToFrame(0), 1044448);
    EXPECT_EQ(editor.view().xToFrame(648), 1048538);
    EXPECT_EQ(editor.view().xToFrame(700), 1048574);
}

TEST_F(ViewMapping, PointerRightOfAZoomedViewGivesLaterFramesUpToTheLast)
{
    startUp();
    setZoom(4, 0);
    EXPECT_EQ(editor.view().xToFrame(648), 261740);
    EXPECT_EQ(editor.view().xToFrame(700), 282744);
    EXPECT_EQ(editor.view().xToFrame(100000), 1048574);
}

}  // namespace
