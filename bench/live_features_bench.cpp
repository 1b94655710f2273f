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
#include <optional>
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
    answer.selected = {editor.state().selection->clipbegin, editor.state().selection->clipend};
    return answer;
}

// Records until the write position has come round `wraps` times and passed a `part` of the
// ring, gathering the features or not; the milliseconds from Stop to the turned track.
double record(BenchEditor& bench, EngineApi& engine, int wraps, double part, bool gather)
{
    std::chrono::steady_clock::time_point stopped;
    bool first = true;
    const int32_t ring = bench.editor.state().mod->trklen;
    int passed = 0;
    int32_t last = 0;
    bench.window.onEvents = [&] {
        if (std::exchange(first, false) && !gather) bench.editor.state().liveFeatures.begin(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(kFollowPassMilliseconds));
        const int32_t position = engine.GetPosition();
        passed += position < last ? 1 : 0;
        last = position;
        if (passed < wraps || position <= ring * part) return;
        stopped = std::chrono::steady_clock::now();
        bench.editor.transport().stop();
    };
    bench.editor.transport().record();
    const std::chrono::duration<double, std::milli> stopping =
        std::chrono::steady_clock::now() - stopped;
    bench.window.onEvents = [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kProgressPassMilliseconds));
    };
    return stopping.count();
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

    std::printf(
        "Select Song right after Stop, 256 MB track (target: <= 100 ms from ready features)\n");
    std::printf("%-34s %10s %10s %12s %12s\n", "take, features", "wall ms", "cpu ms", "from", "to");
    setenv("BRENVIK_SIM_SPEED", "100", 1);  // 25.4 minutes recorded in 15 s
    struct Take {
        const char* name;
        int wraps;
        double part;
    };
    for (const Take& take : {Take{"ring filled", 1, 1.0 / 3}, Take{"half a ring", 0, 0.5}}) {
        BenchEditor bench(engine, kMaxTrackLength);
        const double plainStopMs = record(bench, engine, take.wraps, take.part, false);
        const double stopMs = record(bench, engine, take.wraps, take.part, true);
        if (!bench.editor.state().liveFeatures.ready()) {
            std::fprintf(stderr, "the recording (%s) left no features ready\n", take.name);
            return 1;
        }
        const Answer ready = selectSong(bench.editor);
        bench.editor.state().liveFeatures.forget();
        bench.editor.selection().selectWholeTrack();
        const Answer worker = selectSong(bench.editor);
        for (const auto& [how, answer] : {std::pair{"ready from the recording", ready},
                                          std::pair{"read by the worker", worker}})
            std::printf("%-11s %-22s %10.1f %10.1f %12d %12d\n", take.name, how, answer.wallMs,
                        answer.cpuMs, answer.selected.clipbegin, answer.selected.clipend);
        std::printf(
            "%-11s Stop to the turned track: %.1f ms, %.1f ms with the features made ready\n",
            take.name, plainStopMs, stopMs);
    }

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
