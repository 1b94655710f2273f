// SPDX-License-Identifier: GPL-3.0-or-later
// The follow loop in the real main window on the offscreen platform, over the real engine: its
// wait hands the window every event (timers included), and commands run nested inside it.
#include <gtest/gtest.h>

#include <QAction>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <utility>

#include "modal_script.h"
#include "named_child.h"
#include "started_main_window.h"
#include "view_widget.h"

namespace {

class TransportWindow : public StartedMainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartedMainWindow::SetUp());
        // A transport that the test's Stop never ends fails the test instead of hanging it.
        backstop.setSingleShot(true);
        QObject::connect(&backstop, &QTimer::timeout, [this] {
            ADD_FAILURE() << "the transport still ran after 30 seconds";
            window.editor().transport().stop();
        });
        backstop.start(30000);
    }

    QTimer backstop;

    template <typename Widget>
    Widget* child(const char* name)
    {
        return namedChild<Widget>(window, name);
    }

    // A click on the right arrow of a scroll bar, as the user makes it.
    static void clickRightArrow(QScrollBar* bar)
    {
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    }
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
    EXPECT_FALSE(editor.state().frm.WAVEPLAYING);
    EXPECT_EQ(realEngine().IsPlaying(), 0);
    EXPECT_TRUE(window.findChild<QToolButton*>("cmdPlay")->isEnabled());
    EXPECT_EQ(editor.state().selection->clipend,
              editor.state().mod->trklen - 2);  // the redraw after Stop shows the ring
    // No marker is left: column 300 of the top row shows the selection colour only.
    EXPECT_EQ(window.view().image().pixel(300, 0), qRgb(16, 96, 64));
}

TEST_F(TransportWindow, Play_WithAFadeNestedWhileTheMarkerShows_LeavesNoMarkerBehind)
{
    Editor& editor = window.editor();
    for (int32_t index = 0; index < 2 * editor.state().mod->trklen; index += 97) {
        realEngine().TrackWrite(index, 20000);
    }
    editor.view().drawTrack();
    // A quarter of a second in, the marker stands a few columns from the left; the fade's
    // redraw wipes it while it is shown.
    QTimer::singleShot(250, [&] { window.findChild<QAction*>("mnuFXFadeIn")->trigger(); });
    QTimer::singleShot(300, [&] { window.findChild<QToolButton*>("cmdStop")->click(); });
    window.findChild<QAction*>("mnuControlPlay")->trigger();

    const QImage afterPlay = window.view().image();
    editor.view().drawTrack();
    EXPECT_EQ(afterPlay, window.view().image());
}

TEST_F(TransportWindow,
       DuringAPlayback_StopFadesAboutAndSelectionRun_PlayRecordFileEditAndScrollBarsDoNot)
{
    Editor& editor = window.editor();
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (int32_t index = 0; index < 2 * 400000; ++index) realEngine().TrackWrite(index, 8000);
    auto* view = child<QWidget>("picView");
    auto* zoom = child<QScrollBar>("hscZoom");
    auto* position = child<QScrollBar>("hscView");
    // About's box is the one modal window the playback may show: a nested Play or Record would
    // report the running transport (33), Exit "Stop track first!", and New, Open, Save and
    // Properties would open their dialogs.
    QList<SeenMessage> seen;
    ModalScript user({answer(QMessageBox::Ok, &seen)});
    bool stillPlayingAfterLockedCommands = false;
    QStringList unlockedAfterTheFade;
    int32_t selectedBefore = -1;
    QTimer::singleShot(200, [&] {
        // The mouse selects columns 100 to 200 while the transport runs.
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 60));
        QTest::mouseMove(view, QPoint(200, 60));
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(200, 60));
        selectedBefore = editor.state().selection->clipbegin;

        for (const char* button :
             {"cmdPlay", "cmdRec", "cmdNew", "cmdOpen", "cmdSave", "cmdProps", "cmdCut"})
            QTest::mouseClick(child<QToolButton>(button), Qt::LeftButton);
        for (const char* item :
             {"mnuControlPlay", "mnuControlRecord", "mnuFileNew", "mnuFileOpen", "mnuFileProps",
              "mnuFileSaveAs", "mnuFileExit", "mnuEditCut", "mnuEditSelectAll"})
            child<QAction>(item)->trigger();
        for (const QKeyCombination key :
             {QKeyCombination(Qt::Key_F5), QKeyCombination(Qt::Key_F6), Qt::CTRL | Qt::Key_N,
              Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_X, Qt::CTRL | Qt::Key_A})
            QTest::keyClick(&window, key.key(), key.keyboardModifiers());
        clickRightArrow(zoom);
        clickRightArrow(position);
        stillPlayingAfterLockedCommands =
            editor.state().frm.WAVEPLAYING && realEngine().IsPlaying() != 0;

        child<QAction>("mnuFXFadeIn")->trigger();
        // The fade locked everything while it ran; after it the transport's lock stands again.
        for (const char* item : {"mnuControlPlay", "mnuControlRecord", "mnuFileNew", "mnuEditCut"})
            if (child<QAction>(item)->isEnabled()) unlockedAfterTheFade << item;
        for (const char* usable : {"mnuControlStop", "mnuFXFadeOut", "mnuHelpAbout"})
            if (!child<QAction>(usable)->isEnabled())
                unlockedAfterTheFade << QString("not ") + usable;
        child<QAction>("mnuHelpAbout")->trigger();
        QTest::mouseClick(child<QToolButton>("cmdStop"), Qt::LeftButton);
    });
    child<QAction>("mnuControlPlay")->trigger();

    EXPECT_TRUE(stillPlayingAfterLockedCommands);
    EXPECT_EQ(unlockedAfterTheFade, QStringList());
    // The selection made during the playback stands: no Select All, no File New reopened it.
    EXPECT_EQ(selectedBefore, 161568);  // column 100
    EXPECT_EQ(editor.state().selection->clipbegin, 161568);
    EXPECT_EQ(editor.state().selection->clipend, 323136);  // column 200
    EXPECT_EQ(zoom->value(), 1);
    EXPECT_EQ(position->value(), 0);
    // Cut did not clear the selection; Fade In ramped it from silence.
    EXPECT_EQ(realEngine().TrackRead(2 * 161568), 0);
    EXPECT_EQ(realEngine().TrackRead(2 * 323136), 8000);
    EXPECT_EQ(realEngine().TrackRead(2 * 242352), 4000);
    EXPECT_EQ(realEngine().TrackRead(2 * 100000), 8000);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(seen[0].text.startsWith("Dravenna Recording")) << seen[0].text.toStdString();
    EXPECT_EQ(user.unexpected, 0);
    // Stop ended the playback.
    EXPECT_FALSE(editor.state().frm.WAVEPLAYING);
    EXPECT_EQ(realEngine().IsPlaying(), 0);
}

// Counts the follow loop's passes while it lives: each asks the engine whether the transport
// still runs.
struct CountedPasses {
    static inline int passes = 0;
    static inline decltype(EngineApi::IsPlaying) isPlaying = nullptr;

    CountedPasses()
    {
        passes = 0;
        isPlaying = std::exchange(realEngine().IsPlaying, []() -> int32_t {
            ++passes;
            return isPlaying();
        });
    }
    ~CountedPasses() { realEngine().IsPlaying = isPlaying; }
    int count() const { return passes; }
};

TEST_F(TransportWindow, FollowingAPlayback_TheLoopSleepsBetweenItsPasses)
{
    Editor& editor = window.editor();
    editor.selection().select(0, 44100);  // one second of sound
    CountedPasses passes;
    const auto start = std::chrono::steady_clock::now();
    child<QAction>("mnuControlPlay")->trigger();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_GT(seconds, 0.9);  // the loop followed the whole playback
    // Each pass waits 15 ms for events, so a second holds at most about 67; a loop that polled the
    // engine without waiting would make thousands. A busy machine only makes passes fewer.
    EXPECT_GE(passes.count(), 2);
    EXPECT_LE(passes.count(), 100 * seconds) << passes.count() << " passes in " << seconds << " s";
}

}  // namespace
