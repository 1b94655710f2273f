#include "ring_reorder.h"

#include <algorithm>

namespace brenvik {

// Placeholder until the two-phase rotation lands: exact, in place, no extra memory.
void reorderRing(std::span<Frame> track, std::span<std::byte>, int64_t p)
{
    if (p < 10 || p >= static_cast<int64_t>(track.size())) {
        return;
    }
    std::rotate(track.begin(), track.begin() + p, track.end());
}

}  // namespace brenvik
