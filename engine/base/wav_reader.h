// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "diagnostic_log.h"
#include "file_closer.h"

namespace brenvik {

// The fields of a WAV file's format chunk, as they were read. The reader checks only the low
// bytes of the format tag and the bits per sample; each caller decides what else it takes.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
};

// A RIFF WAVE file opened for reading, its header read up to the first byte of audio: "RIFF",
// "WAVE" and "fmt " (three bytes of each compared), the format chunk right after the form type,
// then the chunks up to "data", whose size field must be there in full.
class WaveReader {
public:
    // Opens path (a regular file only) and reads its header; 0, or the load code that rejects
    // the file (BRENVIK_LOAD_NO_RIFF ... BRENVIK_LOAD_NO_DATA). Its messages go to log.
    int32_t open(const char* path, const DiagnosticLog& log);

    const WaveFormat& format() const { return format_; }
    // The bytes of audio the data chunk declares, as far as the file holds them.
    uint64_t audioBytes() const { return audioBytes_; }
    // Reads the next bytes of audio into bytes; returns how many arrived.
    std::size_t readAudio(std::span<std::byte> bytes);

private:
    File file_;
    WaveFormat format_;
    uint64_t audioBytes_ = 0;
};

}  // namespace brenvik
