// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_fixture.h"
#include "editor_numbers.h"
#include "view_scroll.h"

namespace {

using Selection = EditorFixture;

TEST_F(Selection, ClickWithoutMovement_SelectsOneFrame)
{
    startUp();
    editor.selection().mouseDown(200.0f);
    editor.selection().mouseUp(200.0f);
    EXPECT_EQ(editor.state().selection->clipbegin,
              323136);  // column 200 at 1615.68 frames a column
    EXPECT_EQ(editor.state().selection->clipend, 323136);
    EXPECT_EQ(editor.state().selection->clipmode, 0);
}

TEST_F(Selection, DragFromRightToLeft_EndsOrdered)
{
    startUp();
    editor.selection().mouseDown(400.0f);
    editor.selection().mouseMove(100.0f);
    EXPECT_EQ(editor.state().selection->clipmode, 1);
    EXPECT_LT(editor.state().selection->clipend, editor.state().selection->clipbegin);
    editor.selection().mouseUp(100.0f);
    EXPECT_EQ(editor.state().selection->clipbegin, 161568);
    EXPECT_EQ(editor.state().selection->clipend, 646272);
}

TEST_F(Selection, DragsPastTheEdgesEndAtTheTrackEnds)
{
    startUp();
    editor.selection().mouseDown(300.0f);
    editor.selection().mouseUp(-50.0f);
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
    editor.selection().mouseDown(300.0f);
    editor.selection().mouseUp(900.0f);
    EXPECT_EQ(editor.state().selection->clipend, 1048574);
}

TEST_F(Selection, PointerPositionsRoundHalvesToEven)
{
    startUp();
    editor.selection().mouseDown(100.5f);
    EXPECT_EQ(editor.state().selection->clipbegin, 161568);  // column 100
    editor.selection().mouseUp(101.5f);
    EXPECT_EQ(editor.state().selection->clipend, 164799);  // column 102
}

TEST_F(Selection, MovesWithoutAPressedButtonChangeNothing)
{
    startUp();
    editor.selection().mouseMove(100.0f);
    editor.selection().mouseUp(100.0f);
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
    EXPECT_EQ(editor.state().selection->clipend, 1048574);
    EXPECT_TRUE(window.fakeView.ops.empty());
}

TEST_F(Selection, EveryRectangleIsErasedBeforeTheNextIsDrawn)
{
    startUp();
    editor.selection().mouseDown(100.0f);
    editor.selection().mouseMove(150.0f);
    editor.selection().mouseUp(
        170.0f);  // the final rectangle follows the release, not the last move
    std::vector<ViewOp> rectangles;
    for (const ViewOp& op : window.fakeView.ops)
        if (op.kind == ViewOp::Rectangle) rectangles.push_back(op);
    ASSERT_EQ(rectangles.size(), 6u);
    EXPECT_EQ(rectangles[0].x1, 0);  // the whole track's, erased
    EXPECT_EQ(rectangles[0].x2, 648);
    for (size_t i = 1; i + 1 < rectangles.size(); i += 2) {
        EXPECT_EQ(rectangles[i].x1, rectangles[i + 1].x1);
        EXPECT_EQ(rectangles[i].x2, rectangles[i + 1].x2);
    }
    EXPECT_EQ(rectangles.back().x1, 100);
    EXPECT_EQ(rectangles.back().x2, 170);
    for (const ViewOp& op : rectangles) EXPECT_EQ(op.mode, PenMode::Xor);
}

TEST_F(Selection, SelectAll_SelectsFramesZeroToTrackLengthMinusTwo)
{
    startUp();
    editor.selection().mouseDown(100.0f);
    editor.selection().selectAll();
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
    EXPECT_EQ(editor.state().selection->clipend, 1048574);
    EXPECT_EQ(editor.state().selection->clipmode, 0);
}

using Navigation = EditorFixture;

TEST_F(Navigation, ZoomShowsTheViewBarAndRedrawsFromTheNewStart)
{
    startUp();
    window.hscViewVisible = false;
    window.hscZoom = 2;
    window.hscView = 16384;
    editor.view().zoomChanged();
    EXPECT_TRUE(window.hscViewVisible);
    EXPECT_EQ(editor.state().scales->trkbegin, 262144);
    EXPECT_EQ(window.fakeView.ops.front().kind, ViewOp::Clear);
}

TEST_F(Navigation, ScrollingAtZoomOneRedrawsTheSamePicture)
{
    startUp();
    editor.view().drawTrack();
    const std::vector<ViewOp> before = window.fakeView.ops;
    window.fakeView.ops.clear();
    window.hscView = 20000;
    editor.view().scrolled();
    EXPECT_EQ(editor.state().scales->trkbegin, 0);
    EXPECT_EQ(window.fakeView.ops, before);
}

// The wheel moves the scroll bars, whose change events then run as they do for the user.
class Wheel : public EditorFixture {
protected:
    std::vector<std::string> changes;  // the scroll bars' change events, in order

    void SetUp() override
    {
        startUp();
        window.onScrollChange = [this](ScrollBar bar) {
            const bool zoom = bar == ScrollBar::hscZoom;
            changes.push_back((zoom ? "zoom " : "view ") +
                              std::to_string(zoom ? window.hscZoom : window.hscView));
            zoom ? editor.view().zoomChanged() : editor.view().scrolled();
        };
    }
};

TEST_F(Wheel, ScrollsTheZoomedViewATenthOfItsWidthANotch_ForwardTowardsTheStart)
{
    setZoom(4, 16384);
    // At zoom 4 the bar spans three view widths: a tenth of one is 32768 / 30 = 1092 units.
    editor.view().wheel(-1, false);
    EXPECT_EQ(editor.state().scales->trkbegin, 419424);  // 786432 hidden frames x 17476 / 32768
    editor.view().wheel(2, false);
    editor.view().wheel(-100, false);  // far past the end: stops there
    editor.view().wheel(-1, false);    // already there: no change event
    setZoom(256, 100);
    editor.view().wheel(10, false);  // 13 units a notch at zoom 256, stopping at the start
    setZoom(1, 5000);
    editor.view().wheel(-3, false);  // the whole track shows: nothing to scroll
    EXPECT_EQ(changes,
              (std::vector<std::string>{"view 17476", "view 15292", "view 32767", "view 0"}));
}

TEST_F(Wheel, CtrlZoomsInPowersOfTwo_WithinOneTo256_AndNeitherMovesWhileTheBarsAreLocked)
{
    editor.view().wheel(1, true);  // forward zooms in
    EXPECT_EQ(editor.state().scales->zoom, 2);
    editor.view().wheel(2, true);
    EXPECT_EQ(editor.state().scales->zoom, 8);
    editor.view().wheel(-3, true);
    editor.view().wheel(-1, true);  // already the whole track
    setZoom(3, 0);
    editor.view().wheel(-1, true);  // back to the power below
    setZoom(100, 0);
    editor.view().wheel(1, true);  // on to the power above
    setZoom(255, 0);
    editor.view().wheel(3, true);
    editor.transport().enableControls(false);  // as a transport locks them
    editor.view().wheel(-1, true);
    editor.view().wheel(1, false);
    EXPECT_EQ(changes, (std::vector<std::string>{"zoom 2", "zoom 8", "zoom 1", "zoom 2", "zoom 128",
                                                 "zoom 256"}));
}

TEST_F(Wheel, CtrlZoomKeepsTheFrameUnderThePointerWithinAColumn_UpToTheGreatestZoom)
{
    // Column 480 shows frame 775526 of the whole track (1615.68 frames a column). A unit of the
    // view bar is 32 frames, five columns at zoom 256: the view's start is not rounded to it.
    const struct {
        float x;
        int32_t notches;
    } steps[] = {{480.0f, 1}, {480.0f, 2}, {20.0f, 1},  {20.0f, -2}, {600.0f, 1},
                 {600.0f, 1}, {333.0f, 1}, {333.0f, 1}, {123.0f, 1}, {517.0f, 1},
                 {517.0f, 1}, {71.0f, -1}, {71.0f, 1}};
    for (const auto& step : steps) {
        const int32_t before = editor.view().xToFrame(toLong(step.x));
        editor.view().wheel(step.notches, true, step.x);
        const double column = double(editor.state().scales->tscale) / editor.state().scales->zoom;
        EXPECT_NEAR(editor.view().xToFrame(toLong(step.x)), before, column)
            << step.x << " " << step.notches;
    }
    EXPECT_EQ(editor.state().scales->zoom, 256);
    // The view bar shows the nearest position to the start; dragged, it scrolls as ever.
    const double hidden = editor.state().mod->trklen - editor.state().mod->trklen / 256.0;
    EXPECT_NEAR(window.hscView, editor.state().scales->trkbegin / hidden * kViewScrollUnits, 0.5);
    window.setScrollValue(ScrollBar::hscView, window.hscView + 1);
    EXPECT_EQ(editor.state().scales->trkbegin, toLong(hidden * window.hscView / kViewScrollUnits));
}

using WindowRoutines = EditorFixture;

// Which commands the lock stops is the main window's test; here: unlocking gives back exactly
// what locking took.
TEST_F(WindowRoutines, UnlockingSwitchesOnEveryControlThatLockingSwitchedOff)
{
    editor.transport().enableControls(false);
    const std::map<LockableControl, bool> locked = window.enabled;
    ASSERT_FALSE(locked.empty());
    for (const auto& [control, state] : locked) EXPECT_FALSE(state);
    editor.transport().enableControls(true);
    ASSERT_EQ(window.enabled.size(), locked.size());
    for (const auto& [control, state] : window.enabled) EXPECT_TRUE(state);
}

TEST_F(WindowRoutines, TitleIsDravennaAndTheTrimmedFileSpec)
{
    editor.files().setTitle();
    EXPECT_EQ(window.caption, "Dravenna - ");
    editor.state().frm.FILESPEC = "  /music/take.wav ";
    editor.files().setTitle();
    EXPECT_EQ(window.caption, "Dravenna - /music/take.wav");
    editor.state().frm.FILESPEC = "   ";
    editor.files().setTitle();
    EXPECT_EQ(window.caption, "Dravenna - ");
}

using Keys = EditorFixture;

// The keys move the selection's end, and its beginning once the end has passed it.
TEST_F(Keys, ShiftMovesTheSelectionsEndByColumnsOrTicks_HomeAndEndReachTheViewsEdges)
{
    startUp();
    editor.selection().mouseDown(200.0f);
    editor.selection().mouseUp(202.0f);  // frames 323136 to 326367, 1615.68 a column
    const struct {
        std::function<void()> keys;
        int32_t clipbegin, clipend;
    } steps[] = {
        {[&] { editor.selection().moveEnd(1); }, 323136, 327983},
        {[&] { editor.selection().moveEnd(-4); }, 321520, 323136},  // past the beginning: it turns
        {[&] { editor.selection().moveEnd(-1); }, 319904,
         323136},  // the keys now move the beginning
        {[&] { editor.selection().moveEndByTicks(-1); }, 178784, 323136},
        {[&] { editor.selection().moveEndByTicks(-2); }, 0, 323136},  // stops at the track's start
        {[&] { editor.selection().extendToViewEnd(); }, 0, 1048574},
        {[&] { editor.selection().moveEndByTicks(1); }, 0, 1048574},  // and at its end
    };
    for (const auto& step : steps) {
        step.keys();
        EXPECT_EQ(editor.state().selection->clipbegin, step.clipbegin);
        EXPECT_EQ(editor.state().selection->clipend, step.clipend);
    }

    // Zoomed in, Home and End reach the view's edges, not the track's.
    setZoom(8, 16384);  // frames 458752 to 589824
    editor.selection().mouseDown(100.0f);
    editor.selection().mouseUp(100.0f);
    editor.selection().extendToViewEnd();
    EXPECT_EQ(editor.state().selection->clipend, 589824);
    editor.selection().extendToViewStart();
    EXPECT_EQ(editor.state().selection->clipbegin, 458752);
    EXPECT_EQ(editor.state().selection->clipmode, 0);
}

}  // namespace
