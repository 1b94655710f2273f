// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "diagnostic_log.h"
#include "frame.h"
#include "replacement_file.h"
#include "song_details.h"

namespace brenvik {

// Writes frames as a 16-bit stereo 44100 Hz WAV file with a 44-byte header, replacing the file
// at path only once the whole file is on the disk; returns BRENVIK_OK, or BRENVIK_SAVE_FAILED
// with the file at path as it was when the file cannot be created, written, synced or renamed.
// The bytes written so far are counted in progress, when given. With any detail set, a LIST/INFO
// chunk of them follows the audio and the RIFF size covers it. The header is written last, so
// that no part of an unfinished file reads as a WAV file; temporary says how the file waits
// for its rename.
int32_t saveAsWave(const char* path, std::span<const Frame> frames, const DiagnosticLog& log,
                   const SongDetails& details = {}, std::atomic<int64_t>* progress = nullptr,
                   TemporaryFile temporary = TemporaryFile::kUnnamedWherePossible);

}  // namespace brenvik
