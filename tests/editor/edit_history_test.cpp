// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and Redo of Cut and the fades: the history's bound and order on its own, then the
// editor's commands over the fake engine's track: exact values, the selection, what the window
// is told, and when the history is forgotten.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "edit_history.h"
#include "editor_fixture.h"

namespace {

EditRecord editOf(int32_t clipbegin, size_t values)
{
    EditRecord edit;
    edit.step = {EditKind::Cut, clipbegin, clipbegin + 100};
    edit.before.assign(values, int16_t(clipbegin));
    return edit;
}

TEST(EditHistory, KeepsAtMostItsBoundOfBytesForgettingTheOldestEditsFirst)
{
    EditHistory history;
    history.reset(100);  // 50 values
    history.add(editOf(1, 20));
    history.add(editOf(2, 20));
    history.add(editOf(3, 10));  // exactly 100 bytes in all
    history.add(editOf(4, 20));  // 140: the oldest, 1, goes
    EXPECT_EQ(history.takeUndo().step.clipbegin, 4);
    EXPECT_EQ(history.takeUndo().step.clipbegin, 3);
    EXPECT_EQ(history.takeUndo().step.clipbegin, 2);
    EXPECT_FALSE(history.canUndo());

    // Room is made before the values are read, so the kept bytes never pass the bound.
    history.reset(100);
    history.add(editOf(1, 30));
    EXPECT_TRUE(history.makeRoom(50));
    EXPECT_FALSE(history.canUndo());

    // An edit larger than the whole bound empties the history, redo included, and is not kept.
    history.add(editOf(1, 10));
    history.add(editOf(2, 10));
    history.takeUndo();
    EXPECT_FALSE(history.makeRoom(51));
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
    history.add(editOf(3, 51));
    EXPECT_FALSE(history.canUndo());
}

TEST(EditHistory, UndoneEditsAreRedoneNewestUndoneFirstUntilANewEdit)
{
    EditHistory history;
    history.reset(1000);
    history.add(editOf(1, 10));
    history.add(editOf(2, 10));
    history.takeUndo();
    history.takeUndo();
    EXPECT_EQ(history.takeRedo().clipbegin, 1);
    history.addRedone(editOf(1, 10));
    EXPECT_TRUE(history.canRedo());  // 2 can still be redone
    history.add(editOf(5, 10));
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.takeUndo().step.clipbegin, 5);
    EXPECT_EQ(history.takeUndo().step.clipbegin, 1);
}

class EditUndo : public EditorFixture {
protected:
    void SetUp() override
    {
        startUp();
        std::mt19937 random(11);
        std::uniform_int_distribution<int> sample(-32768, 32767);
        for (int16_t& value : fakeEngine.track) value = int16_t(sample(random));
    }

    void select(int32_t begin, int32_t end) { editor.selection().select(begin, end); }

    // The track's values, the selection, and what the window was told of the history.
    struct State {
        std::vector<int16_t> track;
        int32_t clipbegin = 0, clipend = 0;
        bool canUndo = false, canRedo = false;
        bool operator==(const State&) const = default;
    };
    State state() const
    {
        return {fakeEngine.track, editor.state().selection->clipbegin,
                editor.state().selection->clipend, window.canUndo, window.canRedo};
    }

    // The view was redrawn and ends with the selection's rectangle over frames begin to end.
    bool showsSelection(int32_t begin, int32_t end) const
    {
        const std::vector<ViewOp>& ops = window.fakeView.ops;
        const ViewOp rectangle{ViewOp::Rectangle,
                               editor.state().frm.DARKGREEN,
                               PenMode::Xor,
                               editor.view().frameToX(begin),
                               0,
                               editor.view().frameToX(end),
                               129};
        return !ops.empty() && ops.front().kind == ViewOp::Clear && ops.back() == rectangle;
    }
};

TEST_F(EditUndo, UndoPutsBackTheExactValuesAndSelectionAndRedoTheExactResults)
{
    // Overlapping edits, so that an edit undone out of order or a value missed shows.
    const struct {
        void (EditCommands::*command)();
        int32_t begin, end;
    } edits[] = {{&EditCommands::fadeIn, 1000, 5000},
                 {&EditCommands::cut, 3000, 9001},
                 {&EditCommands::fadeOut, 2000, 12000}};
    std::vector<State> states{state()};
    for (const auto& edit : edits) {
        select(edit.begin, edit.end);
        (editor.edits().*edit.command)();
        states.push_back(state());
        EXPECT_TRUE(window.canUndo);
        EXPECT_FALSE(window.canRedo);
    }
    select(0, 10);  // a selection of the user's own, which Undo replaces

    for (size_t n = std::size(edits); n-- > 0;) {
        SCOPED_TRACE(n);
        window.log.clear();
        window.fakeView.ops.clear();
        editor.edits().undo();
        State expected = states[n];
        expected.clipbegin = edits[n].begin;  // the selection is the undone edit's
        expected.clipend = edits[n].end;
        expected.canUndo = n > 0;
        expected.canRedo = true;
        EXPECT_TRUE(state() == expected);
        EXPECT_TRUE(showsSelection(edits[n].begin, edits[n].end));
        EXPECT_EQ(window.log, (std::vector<std::string>{"busy text: Undoing Edits ...", "busy init",
                                                        "busy hide"}));
    }
    editor.edits().undo();  // nothing left: nothing changes
    EXPECT_TRUE(state().track == states[0].track);

    for (size_t n = 0; n < std::size(edits); ++n) {
        SCOPED_TRACE(n);
        window.fakeView.ops.clear();
        editor.edits().redo();
        State expected = states[n + 1];
        expected.canRedo = n + 1 < std::size(edits);
        EXPECT_TRUE(state() == expected);
        EXPECT_TRUE(showsSelection(edits[n].begin, edits[n].end));
    }

    // A new edit after an Undo ends what could be redone.
    editor.edits().undo();
    select(100, 200);
    editor.edits().cut();
    EXPECT_FALSE(window.canRedo);
    editor.edits().undo();
    editor.edits().undo();
    EXPECT_TRUE(state().track == states[1].track);
}

TEST_F(EditUndo, TheHistoryHoldsAsManyBytesAsTheTrack)
{
    // A fade over the whole track keeps 4 * trklen - 6 bytes; a Cut of 11 frames after it
    // needs 44 more, so the fade is forgotten.
    const std::vector<int16_t> original = fakeEngine.track;
    editor.selection().selectAll();
    editor.edits().fadeIn();
    const std::vector<int16_t> faded = fakeEngine.track;
    editor.edits().undo();
    EXPECT_EQ(fakeEngine.track, original);
    editor.edits().redo();
    EXPECT_EQ(fakeEngine.track, faded);
    EXPECT_TRUE(window.canUndo);  // redone, the fade is kept again

    select(100, 111);
    editor.edits().cut();
    editor.edits().undo();
    EXPECT_EQ(fakeEngine.track, faded);
    EXPECT_FALSE(window.canUndo);
}

TEST_F(EditUndo, ANewTrackForgetsTheHistoryAndARejectedFileDoesNot)
{
    const auto editSomething = [this] {
        select(1000, 3000);
        editor.edits().fadeIn();
        ASSERT_TRUE(window.canUndo);
    };
    const auto forgotten = [this] { return !window.canUndo && !window.canRedo; };

    editSomething();
    editor.edits().undo();
    ASSERT_TRUE(window.canRedo);
    fakeEngine.loadResult = BRENVIK_LOAD_NO_RIFF;
    window.browseAnswer = "take.wav";
    editor.files().open();
    EXPECT_TRUE(window.canRedo) << "the track was not replaced";

    fakeEngine.loadResult = BRENVIK_LOAD_NOT_STEREO;  // loaded, with a warning
    editor.files().open();
    EXPECT_TRUE(forgotten()) << "Open";

    editSomething();
    window.projectSettings = [](ModPellam& mod) { mod.bPropsCancel = true; };
    editor.files().properties();
    EXPECT_TRUE(window.canUndo) << "cancelled Properties keep the track";
    window.projectSettings = acceptSettingsUnchanged;
    editor.files().properties();
    EXPECT_TRUE(forgotten()) << "Properties";

    editSomething();
    editor.files().newFile();
    EXPECT_TRUE(forgotten()) << "New";

    // A fade let in while Record's Stop shows its busy window changes a track that is still
    // being recorded: Stop forgets it too.
    editSomething();
    window.onBusyInit = [&] {
        window.onBusyInit = nullptr;
        editSomething();
    };
    editor.transport().record();
    EXPECT_TRUE(forgotten()) << "Record";
}

TEST_F(EditUndo, UndoPressedAgainWhileItsBusyWindowShows_UndoesNewestFirst)
{
    const std::vector<int16_t> original = fakeEngine.track;
    select(1000, 5000);
    editor.edits().fadeOut();
    select(3000, 7000);
    editor.edits().fadeIn();
    window.onBusyInit = [this] {
        window.onBusyInit = nullptr;
        editor.edits().undo();
    };
    editor.edits().undo();
    EXPECT_EQ(fakeEngine.track, original);
    EXPECT_FALSE(window.canUndo);
}

}  // namespace
