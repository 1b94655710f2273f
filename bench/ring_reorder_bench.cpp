// Times the record-ring rotation on a 256 MB track at several ring positions, as a ratio to one
// memcpy of the track, with std::rotate on the same buffer beside it.
#include "ring_reorder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using brenvik::Frame;

constexpr int kRuns = 3;

double bestSeconds(const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const size_t length = megabytes * 262144;
    const size_t eighth = length / 8;
    std::vector<Frame> track(length, Frame{1, 2});
    std::vector<Frame> copy(length, Frame{3, 4});
    std::vector<std::byte> scratch(length / 2, std::byte{5});

    const double memcpySeconds = bestSeconds(
        [&] { std::memcpy(copy.data(), track.data(), length * sizeof(Frame)); });
    std::printf("track %zu frames (%zu MB); one memcpy of the track: %.1f ms\n", length, megabytes,
                memcpySeconds * 1e3);
    std::printf("%12s %3s %10s  %18s  %18s\n", "p", "q", "r", "reorderRing/memcpy",
                "std::rotate/memcpy");

    const size_t positions[] = {
        3 * eighth,             // r = 0
        3 * eighth + 100,       // r small
        4 * eighth - 100,       // r large
        4 * eighth,             // half the track: four cycles of eighths in the original method
        7 * eighth + eighth / 2,  // q = 7
        eighth + 12345,
        5 * eighth + 1,
        1000,                   // just after the start
        length - 1000,          // just before the end
    };
    for (size_t p : positions) {
        const double reorder = bestSeconds(
            [&] { brenvik::reorderRing(track, scratch, static_cast<int64_t>(p)); });
        const double rotate = bestSeconds([&] {
            std::rotate(track.begin(), track.begin() + static_cast<ptrdiff_t>(p), track.end());
        });
        std::printf("%12zu %3zu %10zu  %18.2f  %18.2f\n", p, p / eighth, p % eighth,
                    reorder / memcpySeconds, rotate / memcpySeconds);
    }
    return 0;
}
