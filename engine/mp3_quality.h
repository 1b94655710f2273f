// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include "brenvik.h"

namespace brenvik {

// How SaveAsMp3 encodes: 192 kbit/s constant unless the client asks for another.
enum class Mp3Quality : int32_t {
    kCbr192 = BRENVIK_MP3_CBR_192,
    kCbr320 = BRENVIK_MP3_CBR_320,
    kVbrV2 = BRENVIK_MP3_VBR_V2,
};

// The quality the client's number names, or nothing for a number that names none.
std::optional<Mp3Quality> mp3Quality(int32_t value);

}  // namespace brenvik
