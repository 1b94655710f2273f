// SPDX-License-Identifier: GPL-3.0-or-later
// The track view's pixels, drawn by the editor into the real view widget over the real engine.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>

#include <functional>

#include "editor.h"
#include "editor_numbers.h"
#include "fake_window.h"
#include "real_engine.h"
#include "view_widget.h"

namespace {

QRgb shown(int32_t color)
{
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

class ViewPixels : public ::testing::Test {
protected:
    ViewWidget view;
    FakeWindow window;
    Editor editor{realEngine(), window};
    const QRgb black = qRgb(0, 0, 0);

    void SetUp() override
    {
        view.resize(649, 129);
        window.view = &view;
        editor.startup();
        ASSERT_TRUE(editor.state().frm.bInitLib);
        realEngine().TrackClear(0, editor.state().mod->trklen);
        editor.view().trackChanged(0, editor.state().mod->trklen);
    }

    void TearDown() override { editor.files().closeDevices(); }

    // The frame whose samples column x shows at zoom 1.
    int32_t frameOfColumn(int32_t x) const
    {
        return toLong(double(editor.state().scales->tscale) * x);
    }

    void selectColumn(int32_t x)
    {
        editor.selection().select(editor.view().xToFrame(x), editor.view().xToFrame(x));
    }

    QRgb pixel(int x, int y) { return view.image().pixel(x, y); }
};

TEST_F(ViewPixels, SilentTrack_ShowsCentreLinesAndTicksOnly)
{
    selectColumn(600);
    editor.view().drawTrack();
    const int32_t blue = editor.state().frm.BLUE;
    for (int x : {1, 50, 300, 647}) {
        EXPECT_EQ(pixel(x, 32), shown(blue)) << x;
        EXPECT_EQ(pixel(x, 97), shown(blue)) << x;
        EXPECT_EQ(pixel(x, 31), black) << x;
        EXPECT_EQ(pixel(x, 96), black) << x;
    }
    EXPECT_EQ(pixel(0, 32), black);    // column 0 has no centre line
    EXPECT_EQ(pixel(648, 32), black);  // a line stops short of its last point

    for (int32_t tick = 0; tick <= 987840; tick += 141120) {
        const int x = editor.view().frameToX(tick);
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(pixel(x, y), shown(editor.state().frm.GREEN)) << x << "," << y;
        EXPECT_EQ(pixel(x, 5), black) << x;
    }
    EXPECT_EQ(editor.view().frameToX(141120), 87);
}

TEST_F(ViewPixels, OneSampleInAColumn_DrawsABarFromTheCentreLineToIt)
{
    // Whichever frame of the column holds it: the column's silent frames keep the centre.
    const int32_t f = frameOfColumn(100) + 700;
    realEngine().TrackWrite(2 * f, 32767);       // left: 32 pixels up
    realEngine().TrackWrite(2 * f + 1, -16384);  // right: 16 pixels down
    editor.view().trackChanged(f, f + 1);
    selectColumn(600);
    editor.view().drawTrack();

    const QRgb red = shown(editor.state().frm.RED);
    EXPECT_EQ(pixel(100, 0), black);
    for (int y = 1; y <= 32; ++y) EXPECT_EQ(pixel(100, y), red) << y;
    EXPECT_EQ(pixel(100, 33), black);
    EXPECT_EQ(pixel(100, 96), black);
    EXPECT_EQ(pixel(100, 97),
              shown(editor.state().frm.BLUE));  // a bar stops short of its last point
    for (int y = 98; y <= 113; ++y) EXPECT_EQ(pixel(100, y), red) << y;
    EXPECT_EQ(pixel(100, 114), black);
    EXPECT_EQ(pixel(99, 20), black);
    EXPECT_EQ(pixel(101, 20), black);
}

TEST_F(ViewPixels, SelectionIsAnXorBandOverTheFullHeight)
{
    editor.selection().select(editor.view().xToFrame(200), editor.view().xToFrame(210));
    editor.view().drawTrack();
    const QRgb band = shown(editor.state().frm.DARKGREEN);
    for (int x = 200; x <= 210; ++x) {
        EXPECT_EQ(pixel(x, 0), band) << x;
        EXPECT_EQ(pixel(x, 128), band) << x;
        EXPECT_EQ(pixel(x, 32), shown(editor.state().frm.BLUE ^ editor.state().frm.DARKGREEN)) << x;
    }
    EXPECT_EQ(pixel(199, 0), black);
    EXPECT_EQ(pixel(211, 0), black);
}

TEST_F(ViewPixels, DrawingTheSelectionTwice_LeavesThePictureUnchanged)
{
    const int32_t f = frameOfColumn(300);
    realEngine().TrackWrite(2 * f, 20000);
    editor.view().trackChanged(f, f + 1);
    editor.selection().select(editor.view().xToFrame(250), editor.view().xToFrame(350));
    editor.view().drawTrack();
    const QImage before = view.image().copy();
    editor.view().drawSelection();
    EXPECT_NE(view.image(), before);
    editor.view().drawSelection();
    EXPECT_EQ(view.image(), before);
}

TEST_F(ViewPixels, MouseDragLeavesExactlyTheFinalSelectionOnScreen)
{
    editor.view().drawTrack();
    editor.selection().mouseDown(100.0f);
    editor.selection().mouseMove(180.0f);
    editor.selection().mouseMove(140.0f);
    editor.selection().mouseUp(160.0f);
    const QImage dragged = view.image().copy();
    editor.view().drawTrack();
    EXPECT_EQ(view.image(), dragged);
}

// The areas of the view that were painted on the screen.
class PaintSpy : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST_F(ViewPixels, WhatTheCommandsDrawIsPaintedOnTheScreenWithoutBeingAsked)
{
    view.show();
    editor.view().drawTrack();
    PaintSpy spy;
    view.installEventFilter(&spy);
    QCoreApplication::processEvents();
    EXPECT_TRUE(spy.painted.contains(view.rect()));

    const auto paintedAfter = [&](const std::function<void()>& command) {
        spy.painted = QRegion();
        command();
        QCoreApplication::processEvents();
        return spy.painted;
    };
    const QRegion dragged = paintedAfter([&] {
        editor.selection().mouseDown(100.0f);
        editor.selection().mouseMove(300.0f);
        editor.selection().mouseUp(300.0f);
    });
    EXPECT_TRUE(dragged.contains(QRect(0, 0, 649, 129))) << "the old rectangle's erasure";
    EXPECT_TRUE(paintedAfter([&] {
                    editor.selection().mouseDown(500.0f);
                }).contains(QRect(100, 0, 401, 129)));
    EXPECT_TRUE(
        paintedAfter([&] { editor.selection().selectAll(); }).contains(QRect(0, 0, 649, 129)));
    EXPECT_TRUE(paintedAfter([] {}).isEmpty());
}

TEST_F(ViewPixels, EngineClosed_ViewIsEmpty)
{
    editor.files().closeDevices();
    editor.view().drawTrack();
    for (int x = 0; x < 649; x += 7)
        for (int y : {0, 31, 32, 33, 64, 96, 97, 98, 128})
            EXPECT_EQ(pixel(x, y), (y == 32 || y == 97) && x >= 1 && x <= 647
                                       ? shown(editor.state().frm.BLUE)
                                       : black)
                << x << "," << y;
}

}  // namespace
