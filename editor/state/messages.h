// SPDX-License-Identifier: GPL-3.0-or-later
// Every text the program shows in message boxes, the busy window, titles and status words, in one
// place; texts that take values are built by the functions below. What an engine result or a
// failed file means in words is the other table, in error_explanations.cpp. Labels and captions
// of the dialogs' own widgets stay where the widgets are made. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace messages {

// Titles.
inline constexpr const char* kProgramTitle = "Quorvel";  // message boxes and start-up failures
inline constexpr const char* kMainWindowTitle = "Dravenna";
inline constexpr const char* kOpenTitle = "Open";
inline constexpr const char* kOpenPattern = "*.wav";
inline constexpr const char* kSaveAsTitle = "Save as";
inline constexpr const char* kSaveAsPatterns = "*.wav;*.mp3";
inline constexpr const char* kBusyWindowTitle = "Please wait for operation to complete.";
inline constexpr const char* kOverwriteTitle = "Alert";
inline constexpr const char* kUnrecoverableTitle = "PLEASE COPY DOWN:";

// The busy window.
inline constexpr const char* kBusyFirstText = "Noise Reduction in Progress...";
inline constexpr const char* kOpeningFile = "Opening file ...";
inline constexpr const char* kSavingFile = "Saving file ...";
inline constexpr const char* kChangingProperties = "Changing properties ...";
inline constexpr const char* kShuttingDown = "Shutting down...";
inline constexpr const char* kReorderingTrack = "Reordering track...";
inline constexpr const char* kApplyingEdits = "Applying Edits ...";
inline constexpr const char* kApplyingEffects = "Applying Effects ...";
inline constexpr const char* kUndoingEdits = "Undoing Edits ...";
inline constexpr const char* kRedoingEdits = "Redoing Edits ...";
inline constexpr const char* kFindingSong = "Finding the song ...";
inline constexpr const char* kMeasuringLoudness = "Measuring Loudness ...";

// Message boxes. The engine's failures read prefix and result code.
inline constexpr const char* kErrorOpeningDevices =
    "There was an error opening the device drivers: ";
inline constexpr const char* kErrorCloseLib = "Error in CloseLib: ";
inline constexpr const char* kErrorLoadWave = "Error in LoadWave: ";
inline constexpr const char* kErrorSaveAsWave = "Error in SaveAsWave: ";
inline constexpr const char* kErrorPlayTrack = "Error in PlayTrack: ";
inline constexpr const char* kErrorStopTrack = "Error in StopTrack: ";
inline constexpr const char* kErrorRecordTrack = "Error in RecordTrack: ";
inline constexpr const char* kErrorSelectSource = "Error in SelectSource: ";
inline constexpr const char* kUnsupportedExtension = "Unsupported file extension!";
inline constexpr const char* kStopTrackFirst = "Stop track first!";
inline constexpr const char* kTrackUnreadable = "The track could not be read.";
inline constexpr const char* kNoSongFound = "No song found between pauses.";
inline constexpr const char* kLoudnessSelectionTooShort =
    "Select at least 0.4 seconds to measure its loudness.";
inline constexpr const char* kLoudnessTrackUnreadable =
    "Error in Normalize Loudness: the track cannot be read.";
inline constexpr const char* kLoudnessTooQuiet =
    "The selection is too quiet to measure its loudness.";
inline constexpr const char* kOverwriteQuestion =
    "This file already exists.  Are you sure you want to overwrite it?";
inline constexpr const char* kCheckDiskRetry = "Please check the disk. Try Again?";
inline constexpr const char* kTrackKeptInMemory =
    "The recording cannot be kept on the disk, so it is kept in memory only: it is lost if "
    "the program ends before the recording is saved.";
inline constexpr const char* kErrorOpenTake = "The take could not be recovered: ";
inline constexpr const char* kUnrecoverableError =
    "Unrecoverable error: ";  // then the system's text

// Status words and tool tips.
inline constexpr const char* kDefaultSource = "Default input";
inline constexpr const char* kMeterToolTip =
    "Level, -60 to 0 dB of full scale: left channel above, right below. "
    "A lit mark at the right: the channel reached full scale; click it to clear it.";

// The one message after an MP3 export, success included, for SaveAsMp3's result.
std::string mp3SaveResult(int32_t code);
// After File Open, when the file is longer than the track: fitted is the time that was loaded.
std::string fileCutToTrack(const std::string& fitted);
std::string inputLost(int64_t milliseconds);
std::string inputSourceGone(const std::string& source);
// After a recording whose source went away and went on from another; at is "m:ss".
std::string sourceWentAway(const std::string& from, const std::string& at, const std::string& to);
std::string aboutText(int major, int minor);
// At the start, for a take an earlier run did not save; length is "m:ss".
std::string recoverTakeQuestion(const std::string& length, const std::string& until);
// At the start, for a file in the take folder that is no take this version can read.
std::string takeRefused(const std::string& path);

std::string mainWindowCaption(const std::string& file);
std::string lengthLabel(const std::string& time);
std::string memoryLabel(int32_t freeMegabytes);
std::string recordingFrom(const std::string& source);
std::string monitorSource(const std::string& output);  // a source that records what output plays
std::string viewToolTip(const std::string& pointer, const std::string& start,
                        const std::string& end, const std::string& length);
// The view's tool tip over a title a player announced at time: "Artist – Title" (or the title
// alone) and the time, above the usual lines.
std::string titleToolTip(const std::string& artist, const std::string& title,
                         const std::string& time, const std::string& usual);

}  // namespace messages
