// SPDX-License-Identifier: GPL-3.0-or-later
// What gathering Select Song's features while recording costs and gives, side by side in one
// run, through the engine library on the simulated card playing made-up sound:
//   - Select Song's answer right after Stop on the largest track (256 MB, 25.4 minutes), once
//     from the features the recording left ready and once by the worker reading the whole
//     track, as an opened file is analysed (target for the first: 100 ms);
//   - the processor share of the editor's core while it records in real time, with and without
//     the features gathered as the audio arrives (measured on, off, off, on; means printed).
//
//   live_features_bench [path of libbrenvik.so [seconds a recording phase, default 10]]
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_clock.h"
#include "bench_editor.h"
#include "plain_number.h"
#include "temp_directory.h"
#include "track_length.h"
#include "wav_image.h"

namespace {

constexpr int kFollowPassMilliseconds = 15;  // as the window's event loop sleeps a pass

struct Answer {
    double wallMs = 0;
    double cpuMs = 0;
    SongSelection selected;
};

Answer selectSong(Editor& editor)
{
    Answer answer;
    answer.cpuMs = 1e3 * bench::cpuSeconds([&] {
                       answer.wallMs =
                           1e3 * bench::seconds([&] { editor.selection().selectSong(); });
                   });
    answer.selected = {editor.state().mod.clipbegin, editor.state().mod.clipend};
    return answer;
}

// Records until the write position has come round once and passed a third of the ring.
bool recordPastTheWrap(BenchEditor& bench, EngineApi& engine)
{
    const int32_t ring = bench.editor.state().mod.trklen;
    bool wrapped = false;
    int32_t last = 0;
    bench.window.onEvents = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kFollowPassMilliseconds));
        const int32_t position = engine.GetPosition();
        wrapped = wrapped || position < last;
        last = position;
        if (wrapped && position > ring / 3) bench.editor.transport().stop();
    };
    bench.editor.transport().record();
    bench.window.onEvents = [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kProgressPassMilliseconds));
    };
    return bench.editor.state().liveFeatures.ready().has_value();
}

// The share of one core the process spends while the core records for `seconds`.
double recordingShare(BenchEditor& bench, double seconds, bool gatherFeatures)
{
    bool first = true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    bench.window.onEvents = [&] {
        // Without the features: the recording's gathering is switched off at its first pass.
        if (std::exchange(first, false) && !gatherFeatures)
            bench.editor.state().liveFeatures.begin(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(kFollowPassMilliseconds));
        if (std::chrono::steady_clock::now() > end) bench.editor.transport().stop();
    };
    double wall = 0;
    const double cpu = bench::cpuSeconds(
        [&] { wall = bench::seconds([&] { bench.editor.transport().record(); }); });
    return cpu / wall;
}

// The processor seconds the gathering alone takes a second of audio, over `seconds` of the
// track read pass by pass as the follow loop reads it while recording.
double gatheringShare(const EngineApi& engine, int32_t ring, int32_t seconds)
{
    LiveFeatures live(engine);
    live.begin(ring);
    const int32_t step = kSampleRate * kFollowPassMilliseconds / 1000;
    const int32_t passes = seconds * 1000 / kFollowPassMilliseconds;
    const double cpu = bench::cpuSeconds([&] {
        for (int32_t pass = 1; pass <= passes; ++pass)
            live.follow(int32_t(int64_t(pass) * step % ring));
    });
    return cpu / seconds;
}

// What the card plays in a loop: two songs, a steady chord of two tones over a little noise,
// each with a 1.5 s pause after it.
std::vector<int16_t> songsAndPauses()
{
    std::vector<int16_t> values;
    std::mt19937 random(1);
    std::uniform_real_distribution<double> noise(-300.0, 300.0);
    for (const auto& [seconds, pitch] : {std::pair{40, 220.0}, std::pair{35, 293.7}}) {
        for (int32_t n = 0; n < seconds * kSampleRate; ++n) {
            const double t = double(n) / kSampleRate;
            const double chord = 6000 * std::sin(2 * std::numbers::pi * pitch * t) +
                                 4000 * std::sin(2 * std::numbers::pi * 1.5 * pitch * t);
            values.push_back(int16_t(std::lround(chord + noise(random))));
            values.push_back(int16_t(std::lround(0.8 * chord + noise(random))));
        }
        values.resize(values.size() + size_t(2 * 3 * kSampleRate / 2), 0);
    }
    return values;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 2 ? quorvel::plainNumber(argv[2]).value_or(10.0) : 10.0;
    TempDirectory directory;
    const std::string input = directory.file("input.wav");
    wav_image::writeFile(input, wav_image::wave(wav_image::values(songsAndPauses())));
    setenv("BRENVIK_SIM_INPUT", input.c_str(), 1);
    EngineApi engine = bindBenchEngine(argc, argv);

    Answer ready;
    Answer worker;
    {
        setenv("BRENVIK_SIM_SPEED", "150", 1);  // 25.4 minutes recorded in about 10 s
        BenchEditor bench(engine, kMaxTrackLength);
        if (!recordPastTheWrap(bench, engine)) {
            std::fprintf(stderr, "the recording left no features ready\n");
            return 1;
        }
        ready = selectSong(bench.editor);
        bench.editor.state().liveFeatures.forget();
        bench.editor.selection().selectWholeTrack();
        worker = selectSong(bench.editor);
    }
    std::printf(
        "Select Song right after Stop, 256 MB take (target: <= 100 ms from ready features)\n");
    std::printf("%-22s %10s %10s %12s %12s\n", "features", "wall ms", "cpu ms", "from", "to");
    std::printf("%-22s %10.1f %10.1f %12d %12d\n", "ready from recording", ready.wallMs,
                ready.cpuMs, ready.selected.clipbegin, ready.selected.clipend);
    std::printf("%-22s %10.1f %10.1f %12d %12d\n", "read by the worker", worker.wallMs,
                worker.cpuMs, worker.selected.clipbegin, worker.selected.clipend);

    setenv("BRENVIK_SIM_SPEED", "1", 1);
    BenchEditor bench(engine, kMaxTrackLength);
    double with = recordingShare(bench, seconds, true);
    double without = recordingShare(bench, seconds, false);
    without = (without + recordingShare(bench, seconds, false)) / 2;
    with = (with + recordingShare(bench, seconds, true)) / 2;
    std::printf("\nRecording in real time, 256 MB ring, %.0f s a phase: share of one core\n",
                seconds);
    std::printf("%-28s %10.2f %%\n", "with the features gathered", 100 * with);
    std::printf("%-28s %10.2f %%\n", "without", 100 * without);
    std::printf("%-28s %10.2f %%\n", "difference", 100 * (with - without));
    std::printf("%-28s %10.3f %%\n", "the gathering alone",
                100 * gatheringShare(engine, kMaxTrackLength, 60));
    return 0;
}
