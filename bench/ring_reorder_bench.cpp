// SPDX-License-Identifier: GPL-3.0-or-later
// Times the record-ring rotation on a 256 MB track at several ring positions, as a ratio to one
// memcpy of the track, with std::rotate on the same buffer beside it.
#include "bench_clock.h"
#include "ring_reorder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using brenvik::Frame;

constexpr int kRuns = 5;

using bench::seconds;

// Best times of the three contenders, run in turn so that a busy machine slows all alike.
struct Times {
    double memcpy = 1e30;
    double reorder = 1e30;
    double rotate = 1e30;
};

}  // namespace

int main(int argc, char** argv)
{
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const size_t length = megabytes * 262144;
    const size_t eighth = length / 8;
    std::vector<Frame> track(length, Frame{1, 2});
    std::vector<Frame> copy(length, Frame{3, 4});
    std::vector<std::byte> scratch(length / 2, std::byte{5});

    std::printf("track %zu frames (%zu MB), best of %d runs each\n", length, megabytes, kRuns);
    std::printf("%12s %3s %10s  %10s  %18s  %18s\n", "p", "q", "r", "memcpy ms",
                "reorderRing/memcpy", "std::rotate/memcpy");

    const size_t positions[] = {
        3 * eighth,               // r = 0
        3 * eighth + 100,         // r small
        4 * eighth - 100,         // r large
        4 * eighth,               // half the track: four cycles of eighths in the original method
        7 * eighth + eighth / 2,  // q = 7
        eighth + 12345,
        5 * eighth + 1,
        1000,           // just after the start
        length - 1000,  // just before the end
    };
    for (size_t p : positions) {
        Times best;
        for (int run = 0; run < kRuns; ++run) {
            best.memcpy = std::min(
                best.memcpy,
                seconds([&] { std::memcpy(copy.data(), track.data(), length * sizeof(Frame)); }));
            best.reorder = std::min(
                best.reorder,
                seconds([&] { brenvik::reorderRing(track, scratch, static_cast<int64_t>(p)); }));
            best.rotate =
                std::min(best.rotate, seconds([&] {
                             std::rotate(track.begin(), track.begin() + static_cast<ptrdiff_t>(p),
                                         track.end());
                         }));
        }
        std::printf("%12zu %3zu %10zu  %10.1f  %18.2f  %18.2f\n", p, p / eighth, p % eighth,
                    best.memcpy * 1e3, best.reorder / best.memcpy, best.rotate / best.memcpy);
    }
    return 0;
}
