// SPDX-License-Identifier: GPL-3.0-or-later
// The project settings dialog and the busy window on the offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "frm_message.h"
#include "frm_proj_props.h"
#include "named_child.h"
#include "reachable_controls.h"

namespace {

class ProjectSettingsDialog : public ::testing::Test {
protected:
    ModPellam mod;
    static constexpr uint64_t kEightGigabytes = 8ull << 30;

    ProjectSettingsDialog() { mod.trklen = 1048576; }

    template <typename Widget>
    static Widget* child(QWidget& dialog, const char* name)
    {
        return namedChild<Widget>(dialog, name);
    }
};

TEST_F(ProjectSettingsDialog, Load_ShowsTheTrackInMegabytesAndItsRecordingTime)
{
    FrmProjProps dialog(mod, kEightGigabytes);
    EXPECT_EQ(dialog.windowTitle(), "Project Settings");
    EXPECT_EQ(child<QLineEdit>(dialog, "txtMem")->text(), "4");
    EXPECT_EQ(child<QLineEdit>(dialog, "txtSec")->text(), "00.24");
    EXPECT_EQ(child<QScrollBar>(dialog, "vscMem")->value(), 252);
    EXPECT_EQ(child<QLabel>(dialog, "lblMem")->text(), "Avail MB: 8192");
    EXPECT_EQ(mod.trktime, "00.24");
    EXPECT_FALSE(mod.bPropsCancel);
    EXPECT_TRUE(child<QPushButton>(dialog, "CmdOK")->isDefault());
}

TEST_F(ProjectSettingsDialog, LengthThatIsNoWholeMegabyte_ShowsTruncatedAndOkStoresWholeMegabytes)
{
    mod.trklen = 1310719;
    FrmProjProps dialog(mod, kEightGigabytes);
    EXPECT_EQ(child<QLineEdit>(dialog, "txtMem")->text(), "4");
    child<QPushButton>(dialog, "CmdOK")->click();
    EXPECT_EQ(mod.trklen, 4 * 262144);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ProjectSettingsDialog, UpperArrowAddsAMegabyte_StoppingAt256)
{
    FrmProjProps dialog(mod, kEightGigabytes);
    auto* vscMem = child<QScrollBar>(dialog, "vscMem");
    vscMem->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(child<QLineEdit>(dialog, "txtMem")->text(), "5");
    EXPECT_EQ(child<QLineEdit>(dialog, "txtSec")->text(), "00.30");
    vscMem->setValue(0);
    vscMem->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(child<QLineEdit>(dialog, "txtMem")->text(), "256");
    EXPECT_EQ(mod.trktime, "25.22");
    vscMem->setValue(255);
    vscMem->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(child<QLineEdit>(dialog, "txtMem")->text(), "1");
    child<QPushButton>(dialog, "CmdOK")->click();
    EXPECT_EQ(mod.trklen, 262144);
}

TEST_F(ProjectSettingsDialog, EveryControlLiesInsideTheDialogWithItsCentreFree)
{
    FrmProjProps dialog(mod, kEightGigabytes);
    dialog.show();
    int checked = 0;
    EXPECT_EQ(unreachableControls(dialog, checked), QStringList());
    EXPECT_EQ(checked,
              10);  // the frame and its box, bar and label; three labels, a box, two buttons
}

TEST_F(ProjectSettingsDialog, Cancel_KeepsTheLengthButTheTimeShownLast)
{
    FrmProjProps dialog(mod, kEightGigabytes);
    child<QScrollBar>(dialog, "vscMem")->setValue(240);
    child<QPushButton>(dialog, "cmdCancel")->click();
    EXPECT_TRUE(mod.bPropsCancel);
    EXPECT_EQ(mod.trklen, 1048576);
    EXPECT_EQ(mod.trktime, "01.35");
}

TEST_F(ProjectSettingsDialog, EscapeCancels_ClosingTheWindowAccepts)
{
    {
        FrmProjProps dialog(mod, kEightGigabytes);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_TRUE(mod.bPropsCancel);
    }
    FrmProjProps dialog(mod, kEightGigabytes);
    dialog.show();
    dialog.close();
    EXPECT_FALSE(mod.bPropsCancel);
    EXPECT_EQ(mod.trklen, 1048576);
}

TEST_F(ProjectSettingsDialog, AtStartUp_NoCancelAndEscapeDoesNothing)
{
    mod.bStartup = true;
    FrmProjProps dialog(mod, kEightGigabytes);
    dialog.show();
    EXPECT_FALSE(child<QPushButton>(dialog, "cmdCancel")->isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(mod.bPropsCancel);
}

TEST_F(ProjectSettingsDialog, FocusStartsOnOkAndTabFollowsTheDesignOrder)
{
    FrmProjProps dialog(mod, kEightGigabytes);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, (QStringList{"CmdOK", "txtMem", "vscMem", "txtSec", "cmdCancel"}));
}

TEST(BusyWindow, CreatedHiddenWithItsDesignAndTimerOff)
{
    FrmMessage busy;
    EXPECT_EQ(busy.windowTitle(), "Please wait for operation to complete.");
    EXPECT_EQ(busy.text(), "Noise Reduction in Progress...");
    EXPECT_FALSE(busy.isVisible());
    EXPECT_FALSE(busy.timerActive());
    busy.show();
    int checked = 0;
    EXPECT_EQ(unreachableControls(busy, checked), QStringList());
    EXPECT_EQ(checked, 1);  // its one label

    // A title bar shows the title in bold beside an icon and three buttons of some 24 pixels.
    QFont title = QApplication::font();
    title.setBold(true);
    EXPECT_GE(busy.width(),
              QFontMetrics(title).horizontalAdvance(busy.windowTitle()) + 3 * 24 + 24);
    EXPECT_GE(busy.width(), 350);
    EXPECT_EQ(busy.height(), 52);
}

TEST(BusyWindow, InitShowsItAndReturnsWithTheTimerOff_AlsoWhenAlreadyShown)
{
    FrmMessage busy;
    busy.setText("Shutting down...");
    busy.init();
    EXPECT_TRUE(busy.isVisible());
    EXPECT_FALSE(busy.timerActive());
    busy.init();
    EXPECT_TRUE(busy.isVisible());
    EXPECT_EQ(busy.text(), "Shutting down...");
    busy.hide();
    busy.setText("Saving file ...");
    EXPECT_FALSE(busy.isVisible());
    EXPECT_EQ(busy.text(), "Saving file ...");
}

// Ends the test program if a wait has not ended within five seconds: a wait that never ends,
// even one that polls, fails its test instead of hanging it.
class Watchdog {
public:
    Watchdog()
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            std::fputs("The busy window's wait did not end within five seconds\n", stderr);
            std::abort();
        });
        timer_.start(5000);
    }

private:
    QTimer timer_;
};

// How often the event dispatcher went round while a function ran.
int dispatcherRounds(const std::function<void()>& run)
{
    int rounds = 0;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const auto awake =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { ++rounds; });
    const auto blocking =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] { ++rounds; });
    run();
    QObject::disconnect(awake);
    QObject::disconnect(blocking);
    return rounds;
}

TEST(BusyWindow, InitReturnsAfterTheFifthTick_LettingEventsInAndSleepingBetweenThem)
{
    FrmMessage busy;
    const Watchdog watchdog;
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    const int rounds = dispatcherRounds([&] { busy.init(); });
    EXPECT_TRUE(handled);
    EXPECT_EQ(busy.ticks(), 5);
    EXPECT_FALSE(busy.timerActive());
    // Five ticks and a few paints wake it a few times each; polling goes round thousands of times.
    EXPECT_LT(rounds, 200);
}

TEST(BusyWindow, InitNestedInAnEventHandler_ReturnsAndSoDoesTheOuterOne)
{
    FrmMessage busy;
    const Watchdog watchdog;
    int ticksWhenNested = -1;
    bool nestedReturned = false;
    QTimer::singleShot(120, [&] {
        ticksWhenNested = busy.ticks();
        busy.init();
        nestedReturned = true;
    });
    busy.init();
    EXPECT_TRUE(nestedReturned);
    EXPECT_GT(ticksWhenNested, 0);
    EXPECT_LT(ticksWhenNested, 5);
    EXPECT_EQ(busy.ticks(), 5);
    EXPECT_FALSE(busy.timerActive());
}

TEST(BusyWindow, UnloadedByAnEventHandlerDuringInit_InitReturns)
{
    auto busy = std::make_unique<FrmMessage>();
    const Watchdog watchdog;
    QTimer::singleShot(60, [&] { busy.reset(); });
    FrmMessage* const shown = busy.get();
    shown->init();
    EXPECT_EQ(busy, nullptr);
}

}  // namespace
