// SPDX-License-Identifier: GPL-3.0-or-later
// The files group: the File menu's New, Open, Properties, Save As, Song Details and Exit, the
// engine opened and closed with the track's length, and the title naming the file.
#pragma once

#include <string>

#include "editor_context.h"
#include "selection_commands.h"
#include "track_view.h"
#include "transport_commands.h"

class FileCommands : CommandGroup {
public:
    FileCommands(EditorContext& context, TrackView& view, SelectionCommands& selection,
                 TransportCommands& transport)
        : CommandGroup(context),
          view_(view),
          selection_(selection),
          transport_(transport)
    {}

    void newFile();
    void open();
    void properties();
    void saveAs();
    void songDetails();  // the details and MP3 quality the saves that follow write
    void exit();
    bool queryClose();  // the close sequence; whether the window may close

    void openDevices();
    void closeDevices();
    void setTitle();

private:
    // The title names the file the track now comes from or was last saved to.
    void makeCurrentFile(const std::string& path);

    TrackView& view_;
    SelectionCommands& selection_;
    TransportCommands& transport_;
};
