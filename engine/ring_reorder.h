// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "frame.h"

namespace brenvik {

// Rotates a stopped record ring in place so that it reads oldest-first: afterwards frame i holds
// what frame (i + p) mod L held before (L = track.size()); a position outside 1..L-1 leaves the
// track as it is. The only extra memory is scratch, which must hold at least L / 2 bytes (one
// eighth of the track); any L and any 0 <= p < L are handled exactly.
void reorderRing(std::span<Frame> track, std::span<std::byte> scratch, int64_t p);

}  // namespace brenvik
