// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor.h"
#include "error_explanations.h"

Editor::Editor(EngineApi& engine, WindowPort& window) : engine_(engine), window_(window) {}

void Editor::enableControls(bool enabled)
{
    lockControls(commandLocks(Command::ControlPlay).controls, !enabled);
}

void Editor::lockControls(std::span<const LockableControl> controls, bool lock)
{
    for (LockableControl control : controls) {
        int32_t& locks = controlLocks_[size_t(control)];
        if (lock) {
            if (locks++ == 0) window_.setControlEnabled(control, false);
        } else if (locks > 0 && --locks == 0) {
            window_.setControlEnabled(control, true);
        }
    }
}

void Editor::holdInput(bool hold)
{
    if (hold ? inputHolds_++ == 0 : --inputHolds_ == 0) window_.holdInput(hold);
}

void Editor::setTitle()
{
    const std::string& path = frm.FILESPEC;
    const auto first = path.find_first_not_of(' ');
    const std::string trimmed =
        first == std::string::npos ? std::string() : path.substr(first, path.find_last_not_of(' ') - first + 1);
    window_.setCaption("Dravenna - " + trimmed);
}

Editor::RunningCommand::RunningCommand(Editor& editor, Command command)
    : editor_(editor), locks_(commandLocks(command))
{
    ++editor_.runningCommands_;
    editor_.lockControls(locks_.controls, true);
    if (locks_.holdsInput) editor_.holdInput(true);
}

Editor::RunningCommand::~RunningCommand()
{
    if (locks_.holdsInput) editor_.holdInput(false);
    editor_.lockControls(locks_.controls, false);
    if (--editor_.runningCommands_ == 0 && editor_.closePending_) {
        editor_.closePending_ = false;
        editor_.window_.closeMainWindow();
    }
}

void Editor::reportEngineError(const std::string& prefix, int32_t code, const std::string& explanation)
{
    if (code == BRENVIK_OK) return;
    const std::string text = prefix + std::to_string(code);
    const std::string meaning = explanation.empty() ? explainDevice(code) : explanation;
    window_.messageBox(meaning.empty() ? text : text + "\n\n" + meaning);
}
