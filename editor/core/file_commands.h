// SPDX-License-Identifier: GPL-3.0-or-later
// The files group: the File menu's New, Open, Properties, Save As, Song Details and Exit, the
// engine opened and closed with the track's length, and the title naming the file.
#pragma once

#include <functional>
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
    void startupNew();  // File New with bStartup set, or a take an earlier run left
    void open();
    void properties();
    void saveAs();
    void songDetails();  // the details and MP3 quality the saves that follow write
    void exit();
    bool queryClose();  // the close sequence; whether the window may close

    void openDevices();
    void closeDevices();
    void setTitle();

    // A take an earlier run did not save: each one found is offered at the start, before the
    // project settings; true when one was opened (the start then needs no File New).
    bool recoverTake();
    // The choice to keep the take in memory only, stored in the settings; off by default.
    void applyTakeStore();
    void toggleTakeInMemory();
    bool takeInMemoryOnly() const { return takeInMemory_; }

private:
    // Opens the engine through open, then shows its track; errorPrefix names a failure.
    void openEngine(const std::function<int32_t()>& open, const char* errorPrefix);
    // Closes the engine, opens it through open and shows the new track's length (Properties).
    void reopenEngine(const std::function<void()>& open);
    // Says once that the track is in memory because no take file could be made.
    void tellTrackInMemoryOnce();

    // The title names the file the track now comes from or was last saved to.
    void makeCurrentFile(const std::string& path);
    ModPellam& ownMod() { return context_.mod.change(); }

    TrackView& view_;
    SelectionCommands& selection_;
    TransportCommands& transport_;
    bool takeInMemory_ = false;
    bool toldTrackInMemory_ = false;
};
