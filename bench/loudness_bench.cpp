// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring the loudness of the largest selection (256 MB, 67,108,864 frames) through the engine
// library: integrated loudness and true peak, as FX Normalize Loudness measures them. Two
// signals: a steady two-tone chord, where every block is as loud as the loudest (the true peak
// must look at all of them), and songs whose level moves, as a radio take has them. Wall-clock
// and processor seconds are printed side by side; the target is at most 1 s of wall clock.
// Beside each, libebur128's own true-peak mode over the same frames on one thread, for the
// choice between it and the editor's interpolation, which looks only at the blocks that can
// hold the peak.
//
//   loudness_bench [path of libbrenvik.so]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_editor.h"
#include "library_true_peak.h"
#include "loudness.h"
#include "track_length.h"

namespace {

constexpr int32_t kBlockFrames = 1 << 16;

// The level in dB relative to full scale that the songs have at a frame: three-minute songs
// whose level rises and falls by 12 dB over twenty seconds.
double songLevel(int32_t frame)
{
    const double seconds = frame / 44100.0;
    return -18 + 6 * std::sin(2 * std::numbers::pi * seconds / 20) - 3 * (int(seconds / 180) % 3);
}

void writeSignal(const EngineApi& engine, int32_t frames, bool moving)
{
    std::vector<int16_t> values(size_t(kBlockFrames) * 2);
    for (int32_t at = 0; at < frames; at += kBlockFrames) {
        const int32_t count = std::min(kBlockFrames, frames - at);
        for (int32_t i = 0; i < count; ++i) {
            const double t = (at + i) / 44100.0;
            const double gain = std::pow(10, (moving ? songLevel(at + i) : -12) / 20) * 16000;
            const double chord =
                std::sin(2 * std::numbers::pi * 220 * t) + std::sin(2 * std::numbers::pi * 331 * t);
            values[2 * size_t(i)] = int16_t(std::lround(gain * chord));
            values[2 * size_t(i) + 1] = int16_t(std::lround(gain * chord * 0.8));
        }
        engine.TrackWriteFrames(at, at + count, values.data());
    }
}

double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The true peak in dBTP as libebur128 finds it, the track read block by block.
double libraryTruePeak(const EngineApi& engine, int32_t frames)
{
    LibraryTruePeak reference;
    std::vector<int16_t> values(size_t(kBlockFrames) * 2);
    for (int32_t at = 0; at < frames; at += kBlockFrames) {
        const int32_t count = std::min(kBlockFrames, frames - at);
        engine.TrackReadFrames(at, at + count, values.data());
        reference.add(values.data(), size_t(count));
    }
    return 20 * std::log10(reference.peak());
}

}  // namespace

int main(int argc, char** argv)
{
    EngineApi engine = bindBenchEngine(argc, argv);
    BenchEditor bench(engine, kMaxTrackLength);
    const int32_t frames = bench.editor.state().mod->trklen;
    std::printf("loudness of %d frames (256 MB), %u hardware threads\n", frames,
                std::thread::hardware_concurrency());
    bool allMeasured = true;
    for (const bool moving : {false, true}) {
        writeSignal(engine, frames, moving);
        std::optional<LoudnessReading> reading;
        const double processorStart = processorSeconds();
        const double wall = bench::seconds([&] { reading = measureLoudness(engine, 0, frames); });
        const double processor = processorSeconds() - processorStart;
        allMeasured = allMeasured && reading.has_value();
        if (!reading) continue;
        std::printf("%-13s %6.3f s wall, %6.3f s processor: %6.2f LUFS, %6.2f dBTP\n",
                    moving ? "moving songs" : "steady chord", wall, processor,
                    reading->integratedLufs, reading->truePeakDbtp);
        double libraryPeak = 0;
        const double libraryStart = processorSeconds();
        const double libraryWall =
            bench::seconds([&] { libraryPeak = libraryTruePeak(engine, frames); });
        const double libraryProcessor = processorSeconds() - libraryStart;
        std::printf(
            "%-13s %6.3f s wall, %6.3f s processor: libebur128's true peak alone, "
            "%6.2f dBTP; %.1f times the processor of the whole measure above\n",
            "", libraryWall, libraryProcessor, libraryPeak, libraryProcessor / processor);
    }
    return allMeasured ? 0 : 1;
}
