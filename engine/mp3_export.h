#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "frame.h"

namespace brenvik {

// Encodes frames into an MP3 file through the encoder library libbladeenc.so, loaded by name
// at each call, replacing the file at path only once the whole file is on the disk. Returns
// BRENVIK_OK or one of the BRENVIK_MP3_ codes of brenvik.h; after a failure the file at path is
// as it was. The bytes written so far are counted in progress, when given.
int32_t saveAsMp3(const char* path, std::span<const Frame> frames,
                  std::atomic<int64_t>* progress = nullptr);

}  // namespace brenvik
