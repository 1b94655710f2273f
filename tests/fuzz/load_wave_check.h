// SPDX-License-Identifier: GPL-3.0-or-later
// What LoadWave must do with any bytes given to it as a file: neither crash nor read or write
// outside the track, return a flag set or a defined code, and leave the track as it was
// whenever it rejects the file. The fuzz target and the corpus replay share this check.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "wav_file.h"

namespace load_wave_check {

inline constexpr brenvik::Frame kOldFrame{0x1234, 0x5678};

// One in-memory file for the whole process, refilled and reopened by path for every input.
inline int memoryFile()
{
    static const int fd = memfd_create("load_wave_input", 0);
    return fd;
}

inline bool untouched(const std::vector<brenvik::Frame>& track)
{
    return std::all_of(track.begin(), track.end(), [](const brenvik::Frame& f) {
        return f.left == kOldFrame.left && f.right == kOldFrame.right;
    });
}

// False when LoadWave broke one of the rules above for these bytes (or they could not be put
// into a file: then there is nothing to check and the answer is true).
inline bool loadBehaves(const uint8_t* data, size_t size)
{
    const int fd = memoryFile();
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        return true;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    std::vector<brenvik::Frame> track(64, kOldFrame);
    const brenvik::DiagnosticLog log;
    const int32_t result = brenvik::loadWave(path.c_str(), track, log);
    const bool loaded = result >= 0 && result <= 3;
    const bool rejected = result >= BRENVIK_LOAD_NO_RIFF && result <= BRENVIK_LOAD_NO_DATA;
    return loaded || (rejected && untouched(track));
}

}  // namespace load_wave_check
