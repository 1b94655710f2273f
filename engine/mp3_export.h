// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "frame.h"
#include "save_settings.h"

namespace brenvik {

// Encodes frames into an MP3 file through the encoder library libbladeenc.so, loaded by name
// at each call, replacing the file at path only once the whole file is on the disk. Returns
// BRENVIK_OK or one of the BRENVIK_MP3_ codes of brenvik.h; after a failure the file at path is
// as it was. The bytes written so far are counted in progress, when given. The settings choose
// the encoding and the ID3v2.3 tag that begins the file when any detail is set. With an encoder
// library that has beInfoFrame, the MP3 frames begin with LAME's Info frame.
int32_t saveAsMp3(const char* path, std::span<const Frame> frames,
                  const SaveSettings& settings = {}, std::atomic<int64_t>* progress = nullptr);

}  // namespace brenvik
