// SPDX-License-Identifier: GPL-3.0-or-later
// The edits that can be undone and redone. Each undoable edit keeps the 16-bit values it
// overwrote; the values kept by all edits together stay within a bound of bytes, and the oldest
// edits are forgotten first when a new one needs the room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

enum class EditKind { Cut, FadeIn, FadeOut, NormalizeLoudness };

// Which command an edit ran, on which selection.
struct EditStep {
    EditKind kind = EditKind::Cut;
    int32_t clipbegin = 0;
    int32_t clipend = 0;
    double gainDb = 0;  // the gain a loudness normalisation gave
};

// An edit done, with the values it overwrote: before[i] was at value index firstValue + i.
struct EditRecord {
    EditStep step;
    int32_t firstValue = 0;
    std::vector<int16_t> before;

    size_t bytes() const { return before.size() * sizeof(int16_t); }
};

class EditHistory {
public:
    // Forgets every edit and keeps at most byteBound bytes of values from now on.
    void reset(size_t byteBound);
    // Forgets every edit, to undo and to redo.
    void clear();

    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }

    // Makes room for an edit that will overwrite this many values, forgetting the oldest edits
    // first, so that its values can be read before they are overwritten without the kept bytes
    // ever passing the bound. When the edit is larger than the bound, empties the history and
    // returns false: the edit cannot be undone.
    bool makeRoom(size_t values);

    // A new edit: the edits undone before it can no longer be redone. The oldest edits are
    // forgotten as makeRoom forgets them.
    void add(EditRecord edit);
    // An undone edit done again: the edits undone after it can still be redone.
    void addRedone(EditRecord edit);
    // Takes the newest edit off to be undone; it becomes the first to redo. Needs canUndo().
    EditRecord takeUndo();
    // Takes the most recently undone edit off to be done again. Needs canRedo().
    EditStep takeRedo();

private:
    void keep(EditRecord edit);

    std::deque<EditRecord> done_;   // oldest first
    std::vector<EditStep> undone_;  // most recently undone last
    size_t bytes_ = 0;              // the values kept by done_
    size_t bound_ = 0;
};
