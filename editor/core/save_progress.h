// SPDX-License-Identifier: GPL-3.0-or-later
// How far a save has come, judged from the bytes of its file the engine has written so far
// (SaveProgress): it writes either format front to back in one pass, so the count grows with the
// frames done.
#pragma once

#include <cstdint>

enum class SaveFormat { Wav, Mp3 };

// The size the finished file of `frames` frames will have, in bytes: exact for WAV (the 44-byte
// header and 4 bytes a frame); for MP3 the bit rate's average over whole encoder frames
// (192 kbit/s at 44100 Hz: 1152 frames of audio in 626 or 627 bytes).
uint64_t expectedSaveBytes(SaveFormat format, int64_t frames, int32_t mp3Kbps = 192);

// The percentage the busy window shows once fileBytes are written: 0 to 99, since the save is
// done only when the export has returned.
int32_t savePercent(SaveFormat format, int64_t frames, uint64_t fileBytes, int32_t mp3Kbps = 192);
