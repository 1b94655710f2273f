// SPDX-License-Identifier: GPL-3.0-or-later
// File Properties: the project settings dialog, then the engine reopened with the chosen length.
#include "file_commands.h"
#include "track_length.h"

void FileCommands::properties()
{
    const RunningCommand running(context_, Command::FileProps);
    window_.showProjectSettings(mod);
    if (!mod.bPropsCancel) {
        setTitle();
        window_.busyShow("Changing properties ...");
        closeDevices();
        openDevices();
        mod.clipbegin = 0;
        mod.clipend = mod.trklen - 2;
        window_.setLabelText(WindowLabel::lblLength, "Len: " + mod.trktime);
        const int32_t freeMegabytes = roundedMegabytes(window_.physicalMemory().availableBytes);
        window_.setLabelText(WindowLabel::lblMem, "Mem: " + std::to_string(freeMegabytes) + "MB");
        window_.busyHide();
    } else if (frm.bInitLib) {
        // File New may have read another length before the dialog was cancelled; the engine
        // keeps its track, so the editor goes back to that track's length.
        mod.trklen = context_.engineTrackLength;
    }
    view_.drawTrack();
}
