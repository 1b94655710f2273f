// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3_quality.h"

namespace brenvik {

std::optional<Mp3Quality> mp3Quality(int32_t value)
{
    switch (static_cast<Mp3Quality>(value)) {
        case Mp3Quality::kCbr192:
        case Mp3Quality::kCbr320:
        case Mp3Quality::kVbrV2: return static_cast<Mp3Quality>(value);
    }
    return std::nullopt;
}

}  // namespace brenvik
