#include "editor_fixture.h"

namespace {

using TrackView = EditorFixture;

TEST_F(TrackView, DefaultTrack_EightTicksEvery141120Frames)
{
    startUp();
    const Editor::TickRange ticks = editor.tickRange();
    EXPECT_EQ(ticks.spacing, 141120);
    EXPECT_EQ(ticks.first, 0);
    EXPECT_EQ(ticks.last, 987840);

    editor.drawTrack();
    const std::vector<ViewOp> drawn = window.fakeView.linesIn(editor.frm.GREEN);
    // Frames 0, 141120, ... 987840 at 1615.68 frames a column.
    const std::vector<int32_t> columns{0, 87, 175, 262, 349, 437, 524, 611};
    ASSERT_EQ(drawn.size(), columns.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].x1, columns[i]);
        EXPECT_EQ(drawn[i].x2, columns[i]);
        EXPECT_EQ(drawn[i].y1, 0);
        EXPECT_EQ(drawn[i].y2, 5);
        EXPECT_EQ(drawn[i].mode, PenMode::Copy);
    }
}

TEST_F(TrackView, ZoomedView_TicksOnlyWithinIt)
{
    startUp();
    setZoom(8, 16384);  // frames 458752 to 589622 shown
    const Editor::TickRange ticks = editor.tickRange();
    EXPECT_EQ(ticks.first, 564480);
    EXPECT_EQ(ticks.last, 564480);
    editor.drawTrack();
    const std::vector<ViewOp> drawn = window.fakeView.linesIn(editor.frm.GREEN);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].x1, 524);
}

TEST_F(TrackView, OneBarPerColumnAndChannel_ReadingOneSampleEach)
{
    startUp();
    fakeEngine.readCount = 0;
    editor.drawTrack();
    EXPECT_EQ(fakeEngine.readCount, 2 * 648);
    EXPECT_EQ(window.fakeView.linesIn(editor.frm.RED).size(), 2u * 648u);
    EXPECT_EQ(window.fakeView.linesIn(editor.frm.BLUE).size(), 2u);
}

TEST_F(TrackView, LeavesTheXorPenInTheWaveformColour)
{
    startUp();
    editor.drawTrack();
    EXPECT_EQ(window.fakeView.mode, PenMode::Xor);
    EXPECT_EQ(window.fakeView.pen, editor.frm.RED);
    const ViewOp& selection = window.fakeView.ops.back();
    EXPECT_EQ(selection.kind, ViewOp::Rectangle);
    EXPECT_EQ(selection.color, editor.frm.DARKGREEN);
    EXPECT_EQ(selection.mode, PenMode::Xor);
}

TEST_F(TrackView, EngineClosed_DrawsAnEmptyViewWithoutReadingOrDividing)
{
    fakeEngine.openResult = 2;
    editor.startup();
    EXPECT_EQ(editor.frm.tscale, 0.0f);
    window.fakeView.ops.clear();
    fakeEngine.readCount = 0;

    editor.drawTrack();
    editor.mouseDown(100.0f);
    editor.mouseUp(300.0f);
    window.hscZoom = 4;
    editor.zoomChanged();

    EXPECT_EQ(fakeEngine.readCount, 0);
    EXPECT_EQ(window.fakeView.linesIn(editor.frm.BLUE).size(), 4u);
    EXPECT_TRUE(window.fakeView.linesIn(editor.frm.GREEN).empty());
    for (const ViewOp& op : window.fakeView.ops) EXPECT_NE(op.kind, ViewOp::Rectangle);
}

}  // namespace
