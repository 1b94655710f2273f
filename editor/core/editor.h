// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's logic: the state of the main window and the groups of commands behind its
// controls. Plain C++: it reaches the engine through EngineApi and the windowing layer through
// WindowPort, so tests can drive it without a display.
#pragma once

#include "edit_commands.h"
#include "editor_context.h"
#include "file_commands.h"
#include "selection_commands.h"
#include "track_view.h"
#include "transport_commands.h"

class Editor {
public:
    Editor(EngineApi& engine, WindowPort& window)
        : context_(engine, window)
    {}

    void startup();  // the main window loads
    void helpAbout();

    FileCommands& files() { return files_; }
    EditCommands& edits() { return edits_; }
    SelectionCommands& selection() { return selection_; }
    TransportCommands& transport() { return transport_; }
    TrackView& view() { return view_; }
    const TrackView& view() const { return view_; }
    // The state the commands share, as tests and benchmarks set it up and check it.
    EditorContext& state() { return context_; }
    const EditorContext& state() const { return context_; }

private:
    EditorContext context_;
    TrackView view_{context_};
    SelectionCommands selection_{context_, view_};
    EditCommands edits_{context_, view_, selection_};
    TransportCommands transport_{context_, view_, selection_};
    FileCommands files_{context_, view_, selection_, transport_};
};
