// SPDX-License-Identifier: GPL-3.0-or-later
// Fade Out over the whole track through the engine library, then Undo and Redo of it, each
// timed in the same run, for the default track and the largest one (256 MB, 67,108,864 frames).
// Undo writes back every value the fade changed; the target is at most 1 s for the largest
// track. The track is checked after each step, so the figures are of work done right.
//
//   undo_bench [path of libbrenvik.so]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "bench_editor.h"
#include "track_length.h"

namespace {

struct Timing {
    double fade = 0;
    double undo = 0;
    double redo = 0;
};

std::vector<int16_t> trackValues(const EngineApi& engine, int32_t values)
{
    std::vector<int16_t> track(static_cast<size_t>(values));
    for (int32_t index = 0; index < values; ++index)
        track[size_t(index)] = int16_t(engine.TrackRead(index));
    return track;
}

void check(bool good, const char* what, int32_t frames)
{
    if (good) return;
    std::fprintf(stderr, "%s (track of %d frames)\n", what, frames);
    std::exit(1);
}

Timing timeUndo(EngineApi& engine, int32_t frames)
{
    BenchEditor bench(engine, frames);
    Editor& editor = bench.editor;
    const FakeWindow& window = bench.window;
    const int32_t values = 2 * editor.state().mod->trklen;
    for (int32_t index = 0; index < values; ++index)
        engine.TrackWrite(index, index % 65536 - 32768);
    const std::vector<int16_t> original = trackValues(engine, values);

    Timing timing;
    timing.fade = bench::seconds([&] { editor.edits().fadeOut(); });  // the whole track is selected
    const std::vector<int16_t> faded = trackValues(engine, values);
    check(window.canUndo, "the fade cannot be undone", frames);
    timing.undo = bench::seconds([&] { editor.edits().undo(); });
    check(trackValues(engine, values) == original, "Undo did not restore the track", frames);
    timing.redo = bench::seconds([&] { editor.edits().redo(); });
    check(trackValues(engine, values) == faded, "Redo did not repeat the fade", frames);
    return timing;
}

}  // namespace

int main(int argc, char** argv)
{
    EngineApi engine = bindBenchEngine(argc, argv);

    std::printf(
        "Fade Out over the whole track, then Undo and Redo of it (target: Undo of 67108864 frames "
        "<= 1000 ms)\n");
    std::printf("%12s %10s %10s %10s %11s %10s\n", "frames", "fade ms", "undo ms", "redo ms",
                "undo/fade", "undo ns/v");
    for (int32_t frames : {kDefaultTrackLength, kMaxTrackLength}) {
        const Timing t = timeUndo(engine, frames);
        std::printf("%12d %10.1f %10.1f %10.1f %11.2f %10.2f\n", frames, t.fade * 1e3, t.undo * 1e3,
                    t.redo * 1e3, t.undo / t.fade, t.undo * 1e9 / (2.0 * frames));
    }
    return 0;
}
