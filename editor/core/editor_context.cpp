// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_context.h"
#include "error_explanations.h"

void EditorContext::lockControls(std::span<const LockableControl> controls, bool lock)
{
    for (LockableControl control : controls) {
        int32_t& locks = controlLocks[size_t(control)];
        if (lock) {
            if (locks++ == 0) window.setControlEnabled(control, false);
        } else if (locks > 0 && --locks == 0) {
            window.setControlEnabled(control, true);
        }
    }
}

void EditorContext::holdInput(bool hold)
{
    if (hold ? inputHolds++ == 0 : --inputHolds == 0) window.holdInput(hold);
}

void EditorContext::reportEngineError(const std::string& prefix, int32_t code,
                                      const std::string& explanation)
{
    if (code == BRENVIK_OK) return;
    const std::string text = prefix + std::to_string(code);
    const std::string meaning = explanation.empty() ? explainDevice(code) : explanation;
    window.messageBox(meaning.empty() ? text : text + "\n\n" + meaning);
}

void EditorContext::forgetEdits()
{
    lostInputFrames.clear();  // the marks belong to the audio that was in the track
    titleMarks.clear();
    history.clear();
    showEditHistory();
}

void EditorContext::showEditHistory()
{
    window.showEditHistory(history.canUndo(), history.canRedo());
}

RunningCommand::RunningCommand(EditorContext& context, Command command)
    : context_(context),
      locks_(commandLocks(command))
{
    ++context_.runningCommands;
    context_.lockControls(locks_.controls, true);
    if (locks_.holdsInput) context_.holdInput(true);
}

RunningCommand::~RunningCommand()
{
    if (locks_.holdsInput) context_.holdInput(false);
    context_.lockControls(locks_.controls, false);
    if (--context_.runningCommands == 0 && context_.closePending) {
        context_.closePending = false;
        context_.window.closeMainWindow();
    }
}
