#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "brenvik.h"

#include "diagnostic_log.h"
#include "frame.h"
#include "song_details.h"

namespace brenvik {

// Result codes of loadWave besides the load flags 0..3.
inline constexpr int32_t kLoadNoRiff = BRENVIK_LOAD_NO_RIFF;
inline constexpr int32_t kLoadNoWave = BRENVIK_LOAD_NO_WAVE;
inline constexpr int32_t kLoadNoFmt = BRENVIK_LOAD_NO_FMT;
inline constexpr int32_t kLoadNotPcm = BRENVIK_LOAD_NOT_PCM;
inline constexpr int32_t kLoadNot16Bit = BRENVIK_LOAD_NOT_16_BIT;
inline constexpr int32_t kLoadCannotOpen = BRENVIK_LOAD_CANNOT_OPEN;
inline constexpr int32_t kLoadNoData = BRENVIK_LOAD_NO_DATA;

// Fills the whole track from a RIFF WAVE file: returns the load flags (bit 0: channel count is
// not 2, bit 1: sample rate is not 44100) on success, or one of the codes above, in which case
// the track is left exactly as it was.
int32_t loadWave(const char* path, std::span<Frame> track, const DiagnosticLog& log);

// The frames of audio loadWave would read from the file into a track long enough for all of
// them (a mono file's values each become a frame), at most INT32_MAX; or the negated code
// loadWave would reject it with. The file is not read beyond its header.
int32_t waveFrames(const char* path, const DiagnosticLog& log);

// Writes frames as a 16-bit stereo 44100 Hz WAV file with a 44-byte header, replacing the file
// at path only once the whole file is on the disk; returns BRENVIK_OK, or BRENVIK_SAVE_FAILED
// with the file at path as it was when the file cannot be created, written, synced or renamed.
// The bytes written so far are counted in progress, when given. With any detail set, a LIST/INFO
// chunk of them follows the audio and the RIFF size covers it.
int32_t saveAsWave(const char* path, std::span<const Frame> frames, const DiagnosticLog& log,
                   const SongDetails& details = {}, std::atomic<int64_t>* progress = nullptr);

}  // namespace brenvik
