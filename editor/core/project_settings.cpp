// SPDX-License-Identifier: GPL-3.0-or-later
// File Properties: the project settings dialog, then the engine reopened with the chosen length.
#include "file_commands.h"
#include "messages.h"
#include "track_length.h"

void FileCommands::properties()
{
    const RunningCommand running(context_, Command::FileProps);
    window_.showProjectSettings(ownMod());
    if (!mod.bPropsCancel) {
        reopenEngine([this] { openDevices(); });
    } else if (frm.bInitLib) {
        // File New may have read another length before the dialog was cancelled; the engine
        // keeps its track, so the editor goes back to that track's length.
        ownMod().trklen = context_.engineTrackLength;
    }
    view_.drawTrack();
}

void FileCommands::reopenEngine(const std::function<void()>& open)
{
    setTitle();
    window_.busyShow(messages::kChangingProperties);
    closeDevices();
    open();
    selection_.select(0, mod.trklen - 2);
    window_.setLabelText(WindowLabel::lblLength, messages::lengthLabel(mod.trktime));
    const int32_t freeMegabytes = roundedMegabytes(window_.physicalMemory().availableBytes);
    window_.setLabelText(WindowLabel::lblMem, messages::memoryLabel(freeMegabytes));
    window_.busyHide();
}
