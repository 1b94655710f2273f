// SPDX-License-Identifier: GPL-3.0-or-later
// What the song details cost a save: the MP3 export of 60 s and the WAV save of 64 MB, each with
// no details and with all six set, in turns (ABBA) so that a change in the machine's load hits
// both alike; the best time of each counts.
#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "diagnostic_log.h"
#include "mp3_export.h"
#include "wav_file.h"
#include "wav_writer.h"

namespace {

using brenvik::Frame;

constexpr int kRounds = 3;

std::vector<Frame> chord(size_t frames)
{
    std::vector<Frame> track(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / brenvik::kSampleRate;
        const double value = 6000 * (std::sin(2 * std::numbers::pi * 220 * t) +
                                     std::sin(2 * std::numbers::pi * 277.2 * t));
        track[i] = Frame{int16_t(std::lround(value)), int16_t(std::lround(value * 0.9))};
    }
    return track;
}

struct Best {
    double plain = 1e30;
    double tagged = 1e30;
};

// Runs plain, tagged, tagged, plain per round; false when a save fails.
bool bestOfRounds(const std::function<bool()>& plain, const std::function<bool()>& tagged,
                  Best& best)
{
    for (int round = 0; round < kRounds; ++round) {
        for (const bool taggedTurn : {false, true, true, false}) {
            bool saved = false;
            const double took = bench::seconds([&] { saved = taggedTurn ? tagged() : plain(); });
            if (!saved) return false;
            double& slot = taggedTurn ? best.tagged : best.plain;
            slot = std::min(slot, took);
        }
    }
    return true;
}

void print(const char* what, const Best& best)
{
    std::printf("%-22s no details %8.1f ms, six details %8.1f ms (%+.1f%%)\n", what,
                best.plain * 1e3, best.tagged * 1e3, (best.tagged / best.plain - 1) * 100);
}

}  // namespace

int main()
{
    std::string dir =
        (std::filesystem::temp_directory_path() / "quorvel-tag-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    brenvik::SaveSettings tagged;
    tagged.details = {"Song of the Day",        "Сплин", "Radio", "1997", "Rock",
                      "Recorded from the radio"};
    const brenvik::SaveSettings plain;
    const brenvik::DiagnosticLog log;
    const std::string mp3 = dir + "/take.mp3";
    const std::string wav = dir + "/take.wav";

    const std::vector<Frame> minute = chord(60 * brenvik::kSampleRate);
    Best mp3Best;
    const bool mp3Saved =
        bestOfRounds([&] { return brenvik::saveAsMp3(mp3.c_str(), minute, plain) == 0; },
                     [&] { return brenvik::saveAsMp3(mp3.c_str(), minute, tagged) == 0; }, mp3Best);
    const std::vector<Frame> track = chord(64 * 262144);
    Best wavBest;
    const bool wavSaved = bestOfRounds(
        [&] { return brenvik::saveAsWave(wav.c_str(), track, log, plain.details) == 0; },
        [&] { return brenvik::saveAsWave(wav.c_str(), track, log, tagged.details) == 0; }, wavBest);
    std::filesystem::remove_all(dir);
    if (!mp3Saved || !wavSaved) {
        std::fprintf(stderr, "a save failed\n");
        return 1;
    }
    std::printf("best of %d rounds of ABBA\n", kRounds);
    print("MP3, 60 s, 192 kbit/s:", mp3Best);
    print("WAV, 64 MB:", wavBest);
    return 0;
}
