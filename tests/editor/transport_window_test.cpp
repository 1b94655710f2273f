// The follow loop in the real main window on the offscreen platform, over the real engine: its
// wait hands the window every event (timers included), and commands run nested inside it.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include "frm_pellam.h"
#include "modal_script.h"
#include "real_engine.h"
#include "view_widget.h"

namespace {

class TransportWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }

    void SetUp() override
    {
        QSettings("Quorvel", "Quorvel").clear();
        ModalScript script({[](QWidget* dialog) { dialog->findChild<QPushButton*>("CmdOK")->click(); }});
        window.editor().startup();
        ASSERT_TRUE(script.finished());
        // A transport that the test's Stop never ends fails the test instead of hanging it.
        backstop.setSingleShot(true);
        QObject::connect(&backstop, &QTimer::timeout, [this] {
            ADD_FAILURE() << "the transport still ran after 30 seconds";
            window.editor().controlStop();
        });
        backstop.start(30000);
    }
    void TearDown() override { window.editor().closeDevices(); }

    FrmPellam window{realEngine()};
    QTimer backstop;
};

TEST_F(TransportWindow, WaitForEvents_ReturnsWhenNothingHappens_AndHandlesWhatComes)
{
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    window.waitForEvents(15);  // a wait that no timer ended would never return
    EXPECT_TRUE(handled);
    window.waitForEvents(15);
}

TEST_F(TransportWindow, Record_FollowsWithAModalBoxAndAFadeNestedUntilStopIsClicked)
{
    Editor& editor = window.editor();
    bool lockedInside = false;
    QList<SeenMessage> seen;
    ModalScript about({answer(QMessageBox::Ok, &seen)});
    QTimer::singleShot(100, [&] {
        lockedInside = !window.findChild<QToolButton*>("cmdPlay")->isEnabled() &&
                       window.findChild<QAction*>("mnuFXFadeIn")->isEnabled();
        window.findChild<QAction*>("mnuHelpAbout")->trigger();
        window.findChild<QAction*>("mnuFXFadeIn")->trigger();
        window.findChild<QToolButton*>("cmdStop")->click();
    });
    window.findChild<QAction*>("mnuControlRecord")->trigger();

    EXPECT_TRUE(lockedInside);
    EXPECT_EQ(seen.size(), 1);
    EXPECT_TRUE(about.finished());
    EXPECT_FALSE(editor.frm.WAVEPLAYING);
    EXPECT_EQ(realEngine().IsPlaying(), 0);
    EXPECT_TRUE(window.findChild<QToolButton*>("cmdPlay")->isEnabled());
    EXPECT_EQ(editor.mod.clipend, editor.mod.trklen - 2);  // the redraw after Stop shows the ring
    // No marker is left: column 300 of the top row shows the selection colour only.
    EXPECT_EQ(window.view().image().pixel(300, 0), qRgb(16, 96, 64));
}

TEST_F(TransportWindow, Play_WithAFadeNestedWhileTheMarkerShows_LeavesNoMarkerBehind)
{
    Editor& editor = window.editor();
    for (int32_t index = 0; index < 2 * editor.mod.trklen; index += 97) {
        realEngine().TrackWrite(index, 20000);
    }
    editor.drawTrack();
    // A quarter of a second in, the marker stands a few columns from the left; the fade's
    // redraw wipes it while it is shown.
    QTimer::singleShot(250, [&] { window.findChild<QAction*>("mnuFXFadeIn")->trigger(); });
    QTimer::singleShot(300, [&] { window.findChild<QToolButton*>("cmdStop")->click(); });
    window.findChild<QAction*>("mnuControlPlay")->trigger();

    const QImage afterPlay = window.view().image();
    editor.drawTrack();
    EXPECT_EQ(afterPlay, window.view().image());
}

}  // namespace
