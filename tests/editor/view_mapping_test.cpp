#include "editor_fixture.h"
#include "editor_numbers.h"

namespace {

using ViewMapping = EditorFixture;

TEST_F(ViewMapping, WholeTrackAtZoomOne_ColumnsMapToFramesClampedToTheTrack)
{
    startUp();
    EXPECT_FLOAT_EQ(editor.frm.tscale, 1048576.0f / 649.0f);
    EXPECT_EQ(editor.xToFrame(0), 0);
    EXPECT_EQ(editor.xToFrame(648), toLong(double(editor.frm.tscale) * 648));
    EXPECT_LE(editor.xToFrame(648), 1048574);
    EXPECT_EQ(editor.xToFrame(-20), 0);
    EXPECT_EQ(editor.xToFrame(5000), 1048574);
}

TEST_F(ViewMapping, FramesBeyondTheLastColumnMapToIt)
{
    startUp();
    EXPECT_EQ(editor.frameToX(0), 0);
    EXPECT_EQ(editor.frameToX(1048574), 648);
    EXPECT_EQ(editor.frameToX(2000000), 648);
    EXPECT_EQ(editor.frameToX(toLong(double(editor.frm.tscale) * 300)), 300);
}

TEST_F(ViewMapping, ZoomTwoAtHalfwayStartsAtAQuarterOfTheTrack)
{
    startUp();
    setZoom(2, 16384);
    EXPECT_EQ(editor.frm.zoom, 2);
    EXPECT_EQ(editor.frm.trkbegin, 262144);
    EXPECT_EQ(editor.xToFrame(0), 262144);
    EXPECT_EQ(editor.frameToX(262143), 0);  // before the left edge
    EXPECT_EQ(editor.frameToX(262144 + toLong(double(editor.frm.tscale) / 2 * 100)), 100);
}

TEST_F(ViewMapping, ViewPositionHasNoEffectBelowZoomTwo)
{
    startUp();
    setZoom(1, 30000);
    EXPECT_EQ(editor.frm.trkbegin, 0);
}

TEST_F(ViewMapping, FullZoomAtTheEndStaysInsideTheTrack)
{
    startUp();
    setZoom(256, 32767);
    const double hidden = 1048576 - 1048576 / 256.0;
    EXPECT_EQ(editor.frm.trkbegin, toLong(hidden * 32767 / 32768.0));
    EXPECT_LE(editor.xToFrame(648), 1048574);
}

TEST_F(ViewMapping, PointerRightOfAZoomedViewGivesLaterFramesUpToTheLast)
{
    startUp();
    setZoom(4, 0);
    EXPECT_GT(editor.xToFrame(700), editor.xToFrame(648));
    EXPECT_EQ(editor.xToFrame(100000), 1048574);
}

}  // namespace
