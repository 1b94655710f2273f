// SPDX-License-Identifier: GPL-3.0-or-later
// Fade In over a whole track through the engine library, value by value as the editor does it,
// beside the same ramp done directly on a buffer in memory, for the default track and the
// largest one.
//
//   fade_bench [path of libbrenvik.so]
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_editor.h"
#include "track_length.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The editor's ramp over values s .. e of a buffer: gain k / span, products rounded to even.
void fadeInMemory(std::vector<int16_t>& values, int32_t s, int32_t e)
{
    const double rate = 1.0 / (e - s);
    for (int32_t index = s; index <= e; ++index) {
        const int32_t k = index - s;
        values[size_t(index)] = int16_t(std::rint((k * rate) * values[size_t(index)]));
    }
}

struct Timing {
    double engine = 0;
    double memory = 0;
};

Timing timeFadeIn(EngineApi& engine, int32_t frames)
{
    BenchEditor bench(engine, frames);
    Editor& editor = bench.editor;
    const int32_t values = 2 * editor.state().mod->trklen;
    for (int32_t index = 0; index < values; ++index)
        engine.TrackWrite(index, index % 65536 - 32768);
    std::vector<int16_t> buffer(static_cast<size_t>(values));
    for (int32_t index = 0; index < values; ++index)
        buffer[size_t(index)] = int16_t(index % 65536 - 32768);

    Timing timing;
    auto start = Clock::now();
    editor.edits().fadeIn();  // the whole track is selected after start-up
    timing.engine = secondsSince(start);

    start = Clock::now();
    fadeInMemory(buffer, 2 * editor.state().selection->clipbegin,
                 2 * editor.state().selection->clipend);
    timing.memory = secondsSince(start);

    // Both must agree, or the comparison means nothing.
    for (int32_t index = 0; index < values; index += 4099) {
        if (engine.TrackRead(index) != buffer[size_t(index)]) {
            std::fprintf(stderr, "the two fades differ at value %d\n", index);
            std::exit(1);
        }
    }
    return timing;
}

}  // namespace

int main(int argc, char** argv)
{
    EngineApi engine = bindBenchEngine(argc, argv);

    std::printf("Fade In over the whole track: engine calls per value beside a loop in memory\n");
    std::printf("%12s %12s %12s %8s %10s\n", "frames", "engine ms", "memory ms", "ratio",
                "ns/value");
    for (int32_t frames : {kDefaultTrackLength, kMaxTrackLength}) {
        const Timing timing = timeFadeIn(engine, frames);
        std::printf("%12d %12.1f %12.1f %8.2f %10.2f\n", frames, timing.engine * 1e3,
                    timing.memory * 1e3, timing.engine / timing.memory,
                    timing.engine * 1e9 / (2.0 * frames));
    }
    return 0;
}
