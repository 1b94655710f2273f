// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform over the real engine: its controls and menus, the
// start-up through the settings dialog, the locks of the transport, and the close sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>

#include "frm_pellam.h"
#include "modal_script.h"
#include "named_child.h"
#include "reachable_controls.h"
#include "real_engine.h"
#include "view_widget.h"

namespace {

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }

    void SetUp() override { QSettings("Quorvel", "Quorvel").clear(); }
    void TearDown() override { window.editor().files().closeDevices(); }

    FrmPellam window{realEngine()};

    template <typename Widget>
    Widget* child(const char* name)
    {
        return namedChild<Widget>(window, name);
    }

    // Start-up with the settings dialog's OK pressed, as the user does.
    void startUpAcceptingSettings()
    {
        ModalScript script(
            {[](QWidget* dialog) { dialog->findChild<QPushButton*>("CmdOK")->click(); }});
        window.editor().startup();
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(script.unexpected, 0);
    }
};

TEST_F(MainWindow, EveryControlLiesInsideTheWindowWithItsCentreFree)
{
    window.show();
    int checked = 0;
    EXPECT_EQ(unreachableControls(window, checked), QStringList());
    EXPECT_GE(checked, 14);  // eight buttons, two labels, the frame, two scroll bars and the view
}

TEST_F(MainWindow, ButtonsNameTheirCommandsAndShowPictures)
{
    EXPECT_EQ(window.windowTitle(), "Dravenna");
    const struct {
        const char* name;
        const char* tooltip;
    } buttons[] = {{"cmdNew", "New"},          {"cmdOpen", "Open"}, {"cmdSave", "Save"},
                   {"cmdProps", "Properties"}, {"cmdCut", "Cut"},   {"cmdPlay", "Play"},
                   {"cmdRec", "Record"},       {"cmdStop", "Stop"}};
    for (const auto& button : buttons) {
        auto* found = child<QToolButton>(button.name);
        EXPECT_EQ(found->toolTip(), button.tooltip);
        EXPECT_FALSE(found->icon().isNull()) << button.name;
    }
    EXPECT_EQ(child<QLabel>("lblLength")->text(), "Len:");
    EXPECT_EQ(child<QLabel>("lblMem")->text(), "Mem:");
}

TEST_F(MainWindow, CarriesTheProgramIconDrawnFromThePackagedPicture)
{
    const QIcon icon = window.windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QImage large = icon.pixmap(64).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(large.size(), QSize(64, 64));
    EXPECT_EQ(qAlpha(large.pixel(0, 0)), 0);                 // outside the rounded square
    EXPECT_EQ(large.pixel(6, 56), qRgb(0x10, 0x10, 0x10));   // its dark face
    EXPECT_EQ(large.pixel(52, 12), qRgb(0xe0, 0x20, 0x20));  // the record light
    const QImage small = icon.pixmap(16).toImage();
    ASSERT_EQ(small.size(), QSize(16, 16));
    EXPECT_GT(qAlpha(small.pixel(8, 8)), 0);

    QDialog dialog(&window);
    EXPECT_EQ(dialog.windowIcon().cacheKey(), icon.cacheKey());
}

TEST_F(MainWindow, MenusCarryTheirCaptionsAndShortcuts)
{
    QStringList menus;
    for (QAction* menu : window.menuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Control", "F&X", "&Help"}));
    const struct {
        const char* name;
        const char* caption;
        QKeySequence shortcut;
    } items[] = {{"mnuFileNew", "&New", QKeySequence("Ctrl+N")},
                 {"mnuFileOpen", "&Open", QKeySequence("Ctrl+O")},
                 {"mnuFileProps", "&Properties", {}},
                 {"mnuFileSaveAs", "&Save As...", QKeySequence("Ctrl+Shift+S")},
                 {"mnuFileExit", "E&xit", {}},
                 {"mnuEditCut", "C&ut", QKeySequence("Ctrl+X")},
                 {"mnuEditSelectAll", "Select &All", QKeySequence("Ctrl+A")},
                 {"mnuControlPlay", "&Play", QKeySequence("F5")},
                 {"mnuControlRecord", "&Record", QKeySequence("F6")},
                 {"mnuControlStop", "&Stop", QKeySequence("F7")},
                 {"mnuControlSource", "&Input Source...", {}},
                 {"mnuFXFadeIn", "Fade &In", {}},
                 {"mnuFXFadeOut", "Fade &Out", {}},
                 {"mnuHelpAbout", "&About", {}},
                 {"mnuFileSongDetails", "Song &Details...", {}},
                 {"mnuFXNormalize", "&Normalize Loudness...", {}}};
    for (const auto& item : items) {
        auto* action = child<QAction>(item.name);
        EXPECT_EQ(action->text(), item.caption);
        EXPECT_EQ(action->shortcut(), item.shortcut) << item.name;
    }
}

// Two items of one menu on the same letter make that letter only move between them, so the
// keyboard could not reach either.
TEST_F(MainWindow, EachMenuItemHasALetterOfItsOwnInItsMenu)
{
    for (QAction* menu : window.menuBar()->actions()) {
        QSet<QChar> letters;
        for (QAction* item : menu->menu()->actions()) {
            const qsizetype mark = item->text().indexOf('&');
            ASSERT_GE(mark, 0) << item->text().toStdString();
            const QChar letter = item->text().at(mark + 1).toLower();
            EXPECT_FALSE(letters.contains(letter))
                << menu->text().toStdString() << " has a second item on " << letter.toLatin1()
                << ": " << item->text().toStdString();
            letters.insert(letter);
        }
    }
}

TEST_F(MainWindow, StartUp_OpensTheEngineAndShowsTheTrack)
{
    startUpAcceptingSettings();
    Editor& editor = window.editor();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(editor.state().frm.bInitLib);
    EXPECT_EQ(editor.state().mod->trklen, 1048576);
    EXPECT_EQ(editor.state().selection->clipend, 1048574);
    EXPECT_EQ(window.windowTitle(), "Dravenna - ");
    EXPECT_EQ(child<QLabel>("lblLength")->text(), "Len: 00.24");
    EXPECT_TRUE(child<QLabel>("lblMem")->text().contains(QRegularExpression("^Mem: \\d+MB$")));
    ASSERT_NE(window.busyWindow(), nullptr);
    EXPECT_FALSE(window.busyWindow()->isVisible());
    EXPECT_EQ(window.busyWindow()->text(), "Changing properties ...");
    EXPECT_EQ(window.view().image().pixel(300, 0), qRgb(16, 96, 64));  // the whole track selected
}

TEST_F(MainWindow, LockedControls_AlsoLockTheirShortcuts)
{
    startUpAcceptingSettings();
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    Editor& editor = window.editor();
    editor.selection().mouseDown(100.0f);
    editor.selection().mouseUp(100.0f);

    editor.transport().enableControls(false);
    EXPECT_FALSE(child<QToolButton>("cmdPlay")->isEnabled());
    EXPECT_FALSE(child<QScrollBar>("hscZoom")->isEnabled());
    EXPECT_TRUE(child<QToolButton>("cmdStop")->isEnabled());
    EXPECT_TRUE(child<QAction>("mnuControlStop")->isEnabled());
    EXPECT_TRUE(child<QAction>("mnuFXFadeIn")->isEnabled());
    EXPECT_TRUE(child<QAction>("mnuHelpAbout")->isEnabled());
    EXPECT_TRUE(child<QWidget>("picView")->isEnabled());
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_NE(editor.state().selection->clipbegin, 0);

    editor.transport().enableControls(true);
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
    EXPECT_TRUE(child<QToolButton>("cmdPlay")->isEnabled());
}

TEST_F(MainWindow, ToolbarButtonsAreMenuItemsAndKeepTheirLookThroughALock)
{
    struct Look {
        QToolButton* button;
        QString tooltip;
        qint64 picture;
    };
    std::vector<Look> looks;
    for (auto* button : window.findChildren<QToolButton*>())
        if (button->defaultAction())
            looks.push_back({button, button->toolTip(), button->icon().cacheKey()});
    ASSERT_EQ(looks.size(), 8u);
    for (bool enabled : {false, true}) {
        window.editor().transport().enableControls(enabled);
        for (const Look& look : looks) {
            QAction* action = look.button->defaultAction();
            const auto inMenus = action->associatedObjects();
            EXPECT_TRUE(std::ranges::any_of(inMenus, [](QObject* o) {
                return qobject_cast<QMenu*>(o);
            })) << look.tooltip.toStdString();
            EXPECT_EQ(look.button->isEnabled(), action->isEnabled()) << look.tooltip.toStdString();
            EXPECT_EQ(look.button->toolTip(), look.tooltip);
            EXPECT_EQ(look.button->icon().cacheKey(), look.picture);
        }
    }
}

// The wheel turned over the view by angle (eighths of a degree, forward positive).
void turnWheel(QWidget* view, int angle, Qt::KeyboardModifiers modifiers = {})
{
    const QPointF at(100, 50);
    QWheelEvent wheel(at, view->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
}

TEST_F(MainWindow, WheelOverTheViewMovesTheScrollBars_AndItsToolTipReadsTheTimes)
{
    startUpAcceptingSettings();
    window.show();
    auto* view = child<QWidget>("picView");
    auto* hscZoom = child<QScrollBar>("hscZoom");
    auto* hscView = child<QScrollBar>("hscView");
    Editor& editor = window.editor();

    // Zoomed in at column 100 (frame 161568), the view starts 100 columns of 807.84 frames
    // before it: at frame 80784, 524288 hidden frames x 5049 / 32768.
    turnWheel(view, 120, Qt::ControlModifier);
    EXPECT_EQ(hscZoom->value(), 2);
    EXPECT_EQ(editor.state().scales->zoom, 2);
    EXPECT_EQ(hscView->value(), 5049);
    EXPECT_EQ(editor.state().scales->trkbegin, 80784);
    // Half notches of a fine wheel add up; backwards goes further into the track.
    turnWheel(view, -60);
    EXPECT_EQ(hscView->value(), 5049);
    turnWheel(view, -60);
    EXPECT_EQ(hscView->value(), 8326);
    EXPECT_EQ(editor.state().scales->trkbegin, 133216);  // 524288 hidden frames x 8326 / 32768

    editor.transport().enableControls(false);
    turnWheel(view, -120);
    turnWheel(view, 120, Qt::ControlModifier);
    EXPECT_EQ(hscView->value(), 8326);
    EXPECT_EQ(hscZoom->value(), 2);
    editor.transport().enableControls(true);

    // Column 100 at zoom 2 is frame 80784 after the view's first, 214000 (4852.6 ms).
    const QPoint at(100, 50);
    QHelpEvent help(QEvent::ToolTip, at, view->mapToGlobal(at));
    QApplication::sendEvent(view, &help);
    EXPECT_EQ(QToolTip::text(),
              "Pointer: 0:04.852\nStart: 0:00.000\nEnd: 0:23.777\nLength: 0:23.777");
    QToolTip::hideText();
}

TEST_F(MainWindow, CloseWhileTheTransportRuns_IsRefused)
{
    startUpAcceptingSettings();
    window.editor().state().frm.WAVEPLAYING = true;
    QList<SeenMessage> seen;
    ModalScript script({answer(QMessageBox::Ok, &seen)});
    EXPECT_FALSE(window.close());
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, "Stop track first!");
    EXPECT_EQ(seen[0].title, "Quorvel");
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.editor().state().frm.bInitLib);
    window.editor().state().frm.WAVEPLAYING = false;
}

TEST_F(MainWindow, Close_ClosesTheEngineStoresTheLengthAndUnloadsTheBusyWindow)
{
    startUpAcceptingSettings();
    ModalScript script({[](QWidget* dialog) {
        dialog->findChild<QLineEdit*>("txtMem")->setText("8");
        dialog->findChild<QPushButton*>("CmdOK")->click();
    }});
    window.editor().files().properties();
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.editor().state().frm.bInitLib);
    EXPECT_EQ(window.busyWindow(), nullptr);
    EXPECT_EQ(QSettings("Quorvel", "Quorvel").value("Defaults/Memory").toString(), "2097152");
}

}  // namespace
