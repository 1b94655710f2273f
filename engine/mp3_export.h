#pragma once

#include <cstdint>
#include <span>

#include "frame.h"
#include "save_settings.h"

namespace brenvik {

// Encodes frames into an MP3 file through the encoder library libbladeenc.so, loaded by name
// at each call; returns 0, or -1 (library or entry point missing), -2 (file cannot be opened or
// written), -3 (stream cannot be opened or flushed), -4 (buffer allocation), -5 (encoding).
// The settings choose the encoding and the ID3v2.3 tag that begins the file when any detail is
// set. With an encoder library that has beInfoFrame, the MP3 frames begin with LAME's Info frame.
int32_t saveAsMp3(const char* path, std::span<const Frame> frames, const SaveSettings& settings = {});

}  // namespace brenvik
