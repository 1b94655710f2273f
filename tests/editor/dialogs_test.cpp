// The project settings dialog and the busy window on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "frm_message.h"
#include "frm_proj_props.h"

namespace {

class ProjectSettingsDialog : public ::testing::Test {
protected:
    ModPellam mod;
    static constexpr uint64_t kEightGigabytes = 8ull << 30;

    ProjectSettingsDialog() { mod.trklen = 1048576; }

    template <typename Widget>
    static Widget* child(QWidget& dialog, const char* name)
    {
        auto* found = dialog.findChild<Widget*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
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
    EXPECT_EQ(busy.size(), QSize(350, 52));
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

}  // namespace
