// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_fixture.h"

namespace {

using TrackView = EditorFixture;

TEST_F(TrackView, DefaultTrack_EightTicksEvery141120Frames)
{
    startUp();
    const ::TrackView::TickRange ticks = editor.view().tickRange();
    EXPECT_EQ(ticks.spacing, 141120);
    EXPECT_EQ(ticks.first, 0);
    EXPECT_EQ(ticks.last, 987840);

    editor.view().drawTrack();
    const std::vector<ViewOp> drawn = window.fakeView.linesIn(editor.state().frm.GREEN);
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
    const ::TrackView::TickRange ticks = editor.view().tickRange();
    EXPECT_EQ(ticks.first, 564480);
    EXPECT_EQ(ticks.last, 564480);
    editor.view().drawTrack();
    const std::vector<ViewOp> drawn = window.fakeView.linesIn(editor.state().frm.GREEN);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].x1, 524);
}

TEST_F(TrackView, EachBarSpansTheLowestToTheHighestValueOfItsColumnsFrames)
{
    startUp();
    // Column 10 covers frames 16157 to 17771 (1615.68 a column); column 11 starts at 17772.
    const struct {
        int32_t frame;
        int16_t left, right;
    } values[] = {
        {16157, 4096, -1024}, {17000, -8192, 0}, {17771, 1024, 2048}, {17772, 32767, 32767}};
    for (const auto& value : values) {
        fakeEngine.track[2 * size_t(value.frame)] = value.left;
        fakeEngine.track[2 * size_t(value.frame) + 1] = value.right;
    }
    editor.view().trackChanged(16157, 17773);
    fakeEngine.readCount = 0;
    editor.view().drawTrack();
    EXPECT_EQ(fakeEngine.readCount, 0) << "the view reads the track in blocks, not value by value";
    std::vector<ViewOp> column10;
    for (const ViewOp& bar : window.fakeView.linesIn(editor.state().frm.RED))
        if (bar.x1 == 10) column10.push_back(bar);
    // hscale is 129 / 131072: 8192 is 8 rows, 4096 4, 2048 2 and 1024 1 (4.03 rounds to 4).
    ASSERT_EQ(column10.size(), 2u);
    EXPECT_EQ(column10[0], (ViewOp{ViewOp::Line, editor.state().frm.RED, PenMode::Copy, 10, 32 + 8,
                                   10, 32 - 4}));
    EXPECT_EQ(column10[1], (ViewOp{ViewOp::Line, editor.state().frm.RED, PenMode::Copy, 10, 97 + 1,
                                   10, 97 - 2}));
    EXPECT_EQ(window.fakeView.linesIn(editor.state().frm.RED).size(), 4u)
        << "silent columns draw no bars";
}

TEST_F(TrackView, LeavesTheXorPenInTheWaveformColour)
{
    startUp();
    editor.view().drawTrack();
    EXPECT_EQ(window.fakeView.mode, PenMode::Xor);
    EXPECT_EQ(window.fakeView.pen, editor.state().frm.RED);
    const ViewOp& selection = window.fakeView.ops.back();
    EXPECT_EQ(selection.kind, ViewOp::Rectangle);
    EXPECT_EQ(selection.color, editor.state().frm.DARKGREEN);
    EXPECT_EQ(selection.mode, PenMode::Xor);
}

TEST_F(TrackView, EngineClosed_DrawsAnEmptyViewWithoutReadingOrDividing)
{
    fakeEngine.openResult = 2;
    editor.startup();
    EXPECT_EQ(editor.state().scales->tscale, 0.0f);
    window.fakeView.ops.clear();
    fakeEngine.readCount = 0;

    editor.view().drawTrack();
    editor.selection().mouseDown(100.0f);
    editor.selection().mouseUp(300.0f);
    window.hscZoom = 4;
    editor.view().zoomChanged();

    EXPECT_EQ(fakeEngine.readCount, 0);
    EXPECT_EQ(window.fakeView.linesIn(editor.state().frm.BLUE).size(), 4u);
    EXPECT_TRUE(window.fakeView.linesIn(editor.state().frm.GREEN).empty());
    for (const ViewOp& op : window.fakeView.ops) EXPECT_NE(op.kind, ViewOp::Rectangle);
}

}  // namespace
