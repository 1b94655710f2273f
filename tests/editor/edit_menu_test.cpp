// SPDX-License-Identifier: GPL-3.0-or-later
// The Edit menu's Undo, Redo and Select Song in the main window on the offscreen platform, over
// the engine library of this build: their places and keys, and when Undo and Redo are offered,
// also across the lock the menu takes while a transport runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include "modal_script.h"
#include "named_child.h"
#include "started_main_window.h"

namespace {

class EditMenu : public StartedMainWindow {
protected:
    QAction* item(const char* name) { return namedChild<QAction>(window, name); }

    // Whether Undo, Redo and Select Song are enabled, in that order.
    std::vector<bool> offered()
    {
        return {item("mnuEditUndo")->isEnabled(), item("mnuEditRedo")->isEnabled(),
                item("mnuEditSelectSong")->isEnabled()};
    }

    // A key pressed in the main window; the busy window of a command before may have been the
    // active one.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, key, modifiers);
    }
};

TEST_F(EditMenu, UndoRedoAndSelectSongFollowTheEditMenusItemsWithTheirKeys)
{
    auto* edit = namedChild<QMenu>(window, "mnuEdit");
    QStringList names;
    for (QAction* action : edit->actions()) names << action->objectName();
    EXPECT_EQ(names, (QStringList{"mnuEditCut", "mnuEditSelectAll", "mnuEditUndo", "mnuEditRedo",
                                  "mnuEditSelectSong", "mnuEditSongsInTake"}));
    EXPECT_EQ(item("mnuEditUndo")->text(), "U&ndo");
    EXPECT_EQ(item("mnuEditUndo")->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+Z")});
    EXPECT_EQ(item("mnuEditRedo")->text(), "&Redo");
    EXPECT_EQ(item("mnuEditRedo")->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
    EXPECT_EQ(item("mnuEditSelectSong")->text(), "Select &Song");
    EXPECT_EQ(item("mnuEditSelectSong")->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+L")});
    EXPECT_EQ(item("mnuEditSongsInTake")->text(), "Songs in &Take...");
}

TEST_F(EditMenu, UndoAndRedoAreOfferedWithAnEditToWorkOn_AndNeverWhileTheMenuIsLocked)
{
    Editor& editor = window.editor();
    EXPECT_EQ(offered(), (std::vector<bool>{false, false, true}));
    editor.selection().select(1000, 5000);
    item("mnuFXFadeOut")->trigger();
    EXPECT_EQ(offered(), (std::vector<bool>{true, false, true}));

    key(Qt::Key_Z);
    EXPECT_EQ(offered(), (std::vector<bool>{false, true, true}));
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(offered(), (std::vector<bool>{true, false, true}));
    key(Qt::Key_Z);
    key(Qt::Key_Y);
    EXPECT_EQ(offered(), (std::vector<bool>{true, false, true}));

    // Locked as during a playback, where a fade can still run: nothing of the menu is offered,
    // and unlocking offers only what has an edit to work on.
    editor.transport().enableControls(false);
    EXPECT_EQ(offered(), (std::vector<bool>{false, false, false}));
    item("mnuFXFadeIn")->trigger();
    EXPECT_EQ(offered(), (std::vector<bool>{false, false, false}));
    editor.transport().enableControls(true);
    EXPECT_EQ(offered(), (std::vector<bool>{true, false, true}));

    editor.files().closeDevices();
    editor.files().openDevices();  // a new track: nothing to undo
    editor.transport().enableControls(false);
    editor.transport().enableControls(true);
    EXPECT_EQ(offered(), (std::vector<bool>{false, false, true}));
}

TEST_F(EditMenu, SelectSongKey_OnATrackWithoutPauses_SaysSoInAMessageBox)
{
    // A track loud from end to end has no pause.
    Editor& editor = window.editor();
    for (int32_t index = 0; index < 2 * editor.state().mod->trklen; ++index)
        realEngine().TrackWrite(index, 20000);
    QList<SeenMessage> seen;
    ModalScript script({answer(QMessageBox::Ok, &seen)});
    key(Qt::Key_L);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, "No song found between pauses.");
    EXPECT_EQ(seen[0].title, "Quorvel");
    EXPECT_EQ(seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
}

}  // namespace
