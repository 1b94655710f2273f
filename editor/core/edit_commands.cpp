// SPDX-License-Identifier: GPL-3.0-or-later
// Cut and the fades: they change the selected audio in place inside the engine's track, under
// the busy window, and redraw the view. The selection itself is left as it was. Each keeps the
// values it overwrites in the edit history, so that Undo can put them back and Redo can run the
// edit again on the same range.
#include "edit_commands.h"
#include "editor_numbers.h"
#include "loudness.h"
#include "messages.h"

#include <cmath>
#include <new>

namespace {

// A selection must be longer than these many frames, else the command quietly does nothing.
constexpr int32_t kShortestCut = 10;
constexpr int32_t kShortestFade = 1024;

bool longerThan(const Selection& selected, int32_t frames)
{
    return selected.clipend > checkedAdd(selected.clipbegin, frames);
}

int32_t shortestSelection(EditKind kind)
{
    return kind == EditKind::Cut ? kShortestCut : kShortestFade;
}

Command editCommand(EditKind kind)
{
    switch (kind) {
        case EditKind::Cut: return Command::EditCut;
        case EditKind::FadeIn: return Command::FxFadeIn;
        case EditKind::NormalizeLoudness: return Command::FxNormalizeLoudness;
        case EditKind::FadeOut: break;
    }
    return Command::FxFadeOut;
}

const char* busyText(EditKind kind)
{
    return kind == EditKind::Cut ? messages::kApplyingEdits : messages::kApplyingEffects;
}

// Shows text in the busy window while change runs, then redraws the view.
template <typename Change>
void changeTrack(WindowPort& window, TrackView& view, const char* text, Change change)
{
    window.busyShow(text);
    change();
    view.drawTrack();
    window.busyHide();
}

// The value indexes an edit overwrites, first to last: Cut silences frames clipbegin to
// clipend - 1; a fade also ramps the left value of frame clipend.
struct ValueRange {
    int32_t first = 0;
    int32_t last = 0;

    int32_t count() const { return last - first + 1; }
};

ValueRange overwrittenValues(const EditStep& step)
{
    const int32_t first = checkedMul(2, step.clipbegin);
    const int32_t end = checkedMul(2, step.clipend);
    const bool rampsPastEnd = step.kind == EditKind::FadeIn || step.kind == EditKind::FadeOut;
    return {first, rampsPastEnd ? end : end - 1};
}

void readValues(const EngineApi& engine, ValueRange range, int16_t* values)
{
    for (int32_t index = range.first; index <= range.last; ++index)
        *values++ = int16_t(engine.TrackRead(index));
}

void writeValues(const EngineApi& engine, int32_t first, const std::vector<int16_t>& values)
{
    for (int16_t value : values) engine.TrackWrite(first++, value);
}

// Scales each 16-bit value from the left value of frame clipbegin up to and including the left
// value of frame clipend by a straight ramp: gain 0 to 1 for Fade In, 1 to 0 for Fade Out. The
// gain steps per value, not per frame, and the products round to the nearest integer, halves to
// even. Each value read is also stored at before, when there is one.
template <EditKind fade>
void rampValues(const EngineApi& engine, const Selection& selected, int16_t* before)
{
    const int32_t s = checkedMul(2, selected.clipbegin);
    const int32_t e = checkedMul(2, selected.clipend);
    const double rate = 1.0 / checkedSub(e, s);
    for (int32_t lTrk = s; lTrk <= e; ++lTrk) {
        const int32_t v = engine.TrackRead(lTrk);
        if (before != nullptr) *before++ = int16_t(v);
        const int32_t k = lTrk - s;
        const double y = fade == EditKind::FadeIn ? (k * rate) * v : (1.0 - rate * k) * v;
        // |gain| <= 1 keeps y within 16 bits, so no overflow check is needed; rint rounds halves
        // to even like the editor's other conversions and, unlike nearbyint, costs no call.
        const int32_t w = static_cast<int32_t>(std::rint(y));
        engine.TrackWrite(lTrk, w);
    }
}

// Room for the values an edit will overwrite, or false when the history cannot keep them (more
// than its bound, or no memory to be had): the edit then goes ahead and cannot be undone. A
// selection reversed while the busy window let events in overwrites nothing and keeps nothing.
bool roomToKeep(EditHistory& history, EditRecord& edit, int32_t values)
{
    if (values > 0 && history.makeRoom(size_t(values))) {
        try {
            edit.before.resize(size_t(values));
            return true;
        } catch (const std::bad_alloc&) {
        }
    }
    history.clear();
    return false;
}

}  // namespace

void EditCommands::cut()
{
    runEdit(EditKind::Cut);
}

void EditCommands::fadeIn()
{
    runEdit(EditKind::FadeIn);
}

void EditCommands::fadeOut()
{
    runEdit(EditKind::FadeOut);
}

void EditCommands::runEdit(EditKind kind)
{
    const RunningCommand running(context_, editCommand(kind));
    if (!longerThan(selected, shortestSelection(kind))) return;
    // The busy window turns events before the edit reads the selection. The main window drops
    // its input meanwhile, but a selection made too short anyway (a fade over an empty one
    // would divide by zero) must not reach the edit, so it is checked again.
    changeTrack(window_, view_, busyText(kind), [this, kind] {
        if (longerThan(selected, shortestSelection(kind)))
            applyEdit({kind, selected.clipbegin, selected.clipend}, false);
    });
}

void EditCommands::applyEdit(const EditStep& step, bool redone)
{
    EditRecord edit;
    edit.step = step;
    const ValueRange overwritten = overwrittenValues(edit.step);
    edit.firstValue = overwritten.first;
    int16_t* before =
        roomToKeep(context_.history, edit, overwritten.count()) ? edit.before.data() : nullptr;
    switch (step.kind) {
        case EditKind::Cut:
            if (before != nullptr) readValues(engine_, overwritten, before);
            engine_.TrackClear(step.clipbegin, step.clipend);
            break;
        case EditKind::FadeIn: rampValues<EditKind::FadeIn>(engine_, selected, before); break;
        case EditKind::FadeOut: rampValues<EditKind::FadeOut>(engine_, selected, before); break;
        case EditKind::NormalizeLoudness:
            // A track that could not be read or written whole leaves values the record does not
            // hold, so such an edit is not kept.
            if (!scaleFrames(engine_, step.clipbegin, step.clipend, step.gainDb, before))
                before = nullptr;
            break;
    }
    view_.trackChanged(edit.step.clipbegin, checkedAdd(edit.step.clipend, 1));
    if (before != nullptr)
        redone ? context_.history.addRedone(std::move(edit))
               : context_.history.add(std::move(edit));
    context_.showEditHistory();
}

// Undo and Redo take their edit only once the busy window has shown, so that whatever ran while
// it showed cannot leave them undoing an edit that is no longer the newest.
void EditCommands::undo()
{
    const RunningCommand running(context_, Command::EditUndo);
    if (!context_.history.canUndo()) return;
    changeTrack(window_, view_, messages::kUndoingEdits, [this] {
        if (!context_.history.canUndo()) return;
        const EditRecord edit = context_.history.takeUndo();
        writeValues(engine_, edit.firstValue, edit.before);
        view_.trackChanged(edit.step.clipbegin, checkedAdd(edit.step.clipend, 1));
        selection_.select(edit.step.clipbegin, edit.step.clipend);
        context_.showEditHistory();
    });
}

void EditCommands::redo()
{
    const RunningCommand running(context_, Command::EditRedo);
    if (!context_.history.canRedo()) return;
    changeTrack(window_, view_, messages::kRedoingEdits, [this] {
        if (!context_.history.canRedo()) return;
        const EditStep step = context_.history.takeRedo();
        selection_.select(step.clipbegin, step.clipend);
        applyEdit(step, true);
    });
}
