// SPDX-License-Identifier: GPL-3.0-or-later
// The take that survives its process: at the start, a take an earlier run left unsaved is
// offered before the project settings (Yes opens the engine on it, No removes it); a file the
// engine refuses is named and left alone. Also the choice to keep the take in memory only.
#include "file_commands.h"
#include "messages.h"
#include "take_list.h"
#include "track_length.h"

namespace {

const char* const kSettingsSection = "Defaults";
const char* const kTakeInMemoryKey = "TakeInMemoryOnly";

}  // namespace

bool FileCommands::recoverTake()
{
    for (const TakeListing& take : listTakes(engine_)) {
        if (take.refused) {
            window_.messageBox(messages::takeRefused(take.path), MessageIcon::Warning);
            continue;
        }
        const std::string question =
            messages::recoverTakeQuestion(takeLengthText(take), takeEndText(take));
        if (window_.messageBox(question, MessageIcon::None, MessageButtons::YesNo) !=
            MessageAnswer::Yes) {
            engine_.DiscardTake(take.path.c_str());
            continue;
        }
        const RunningCommand running(context_, Command::FileNew);
        frm.FILESPEC.clear();
        frm.mlTempo = 100;
        ownMod().trklen = take.trackLength;
        ownMod().trktime = recordingTimeText(double(take.trackLength) / kFramesPerMegabyte);
        reopenEngine([&] {
            openEngine([&] { return engine_.OpenTake(take.path.c_str(), 0); },
                       messages::kErrorOpenTake);
        });
        view_.drawTrack();
        if (frm.bInitLib) return true;
    }
    return false;
}

void FileCommands::applyTakeStore()
{
    takeInMemory_ = window_.readSetting(kSettingsSection, kTakeInMemoryKey, "0") == "1";
    engine_.KeepTrackInMemory(takeInMemory_ ? 1 : 0);
}

void FileCommands::toggleTakeInMemory()
{
    takeInMemory_ = !takeInMemory_;
    window_.writeSetting(kSettingsSection, kTakeInMemoryKey, takeInMemory_ ? "1" : "0");
    // From the next opening of the engine on: File New or Properties.
    engine_.KeepTrackInMemory(takeInMemory_ ? 1 : 0);
}

void FileCommands::tellTrackInMemoryOnce()
{
    if (toldTrackInMemory_ || engine_.GetTrackStore() != BRENVIK_STORE_FELL_BACK) return;
    toldTrackInMemory_ = true;
    window_.messageBox(messages::kTrackKeptInMemory, MessageIcon::Warning);
}
