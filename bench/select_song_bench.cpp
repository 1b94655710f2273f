// SPDX-License-Identifier: GPL-3.0-or-later
// Select Song over the largest track (256 MB, 67,108,864 frames, 25.4 minutes) through the
// engine library, beside the least any look at every value costs there: one bulk read of the
// whole track and nothing else. The track holds songs of about three minutes between one-second
// pauses, with short quiet passages inside the songs. The target is at most 0.5 s for the whole
// analysis, 20 ms a minute of audio. Then, when the radio-like corpus has been generated (by
// tests/editor/radio_corpus.py, into the build directory's tests/editor/radio_corpus), the
// table of its takes: the known song, the one selected, and the error. Then the same for the
// music-radio corpus (tests/editor/music_radio_corpus.py: whole songs in tracks of 32 to 256 MB),
// with a summary by kind and by part and the analysis time an hour of audio, and the same takes
// again with the players' titles as hints at the true edges and 10 s off them, side by side.
//
//   select_song_bench [path of libbrenvik.so [corpus directory [music-radio corpus directory]]]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_editor.h"
#include "radio_corpus.h"
#include "song_finder.h"
#include "track_length.h"

namespace {

constexpr int32_t kSongFrames = 3 * 60 * 44100;
constexpr int32_t kPauseFrames = 44100;
constexpr int32_t kBreakFrames = 4410;  // a 0.1 s quiet passage every 20 s of song
constexpr int32_t kBreakEvery = 20 * 44100;
// Each song is a tone of its own, as no two songs sound the same: 441 Hz and 551 Hz in turn.
constexpr int32_t kTonePeriods[] = {100, 80};

// Writes songs and pauses over the whole track; returns the first frame of the last song that
// a whole pause follows.
int32_t writeSongs(const EngineApi& engine, int32_t frames)
{
    std::vector<std::vector<int16_t>> tones;
    for (const int32_t period : kTonePeriods) {
        std::vector<int16_t>& tone = tones.emplace_back(size_t(period));
        for (int32_t n = 0; n < period; ++n)
            tone[size_t(n)] =
                int16_t(std::lround(12000 * std::sin(2 * std::numbers::pi * n / period)));
    }
    size_t song = 0;
    std::vector<int16_t> values;
    int32_t lastComplete = -1;
    for (int32_t start = 0; start < frames; start += kSongFrames + kPauseFrames) {
        const int32_t songEnd = std::min(frames, start + kSongFrames);
        const int32_t pauseEnd = std::min(frames, songEnd + kPauseFrames);
        values.assign(size_t(2 * (pauseEnd - start)), 0);
        const std::vector<int16_t>& tone = tones[song++ % tones.size()];
        const auto period = int32_t(tone.size());
        for (int32_t frame = start; frame < songEnd; ++frame) {
            if ((frame - start) % kBreakEvery >= kBreakEvery - kBreakFrames)
                continue;  // a quiet passage
            values[size_t(2 * (frame - start))] = tone[size_t(frame % period)];
            values[size_t(2 * (frame - start) + 1)] = tone[size_t((frame + period / 4) % period)];
        }
        engine.TrackWriteFrames(start, pauseEnd, values.data());
        if (pauseEnd - songEnd >= kPauseFrames && start > 0) lastComplete = start;
    }
    return lastComplete;
}

// The cases a script of tests/editor has written into directory; nothing, saying so, when there
// are none.
std::optional<std::vector<radio_corpus::Case>> loadCorpus(const std::filesystem::path& directory,
                                                          const char* script,
                                                          radio_corpus::Audio audio)
{
    auto cases = radio_corpus::load(directory, audio);
    if (!cases)
        std::printf("\nno corpus in %s: run tests/editor/%s %s first\n", directory.c_str(), script,
                    directory.c_str());
    return cases;
}

// The corpus table, and the analysis time a minute of its audio.
void printCorpus(const std::filesystem::path& directory)
{
    const auto cases = loadCorpus(directory, "radio_corpus.py", radio_corpus::Audio::Read);
    if (!cases) return;
    std::printf(
        "\nSelect Song over the radio-like corpus (pauses to +-0.30 s, talk, crossfades and "
        "jingles to +-1.00 s)\n");
    radio_corpus::printHeading();
    double analysis = 0;
    double minutes = 0;
    for (const radio_corpus::Case& take : *cases) {
        radio_corpus::Outcome outcome;
        analysis += bench::cpuSeconds([&] { outcome = radio_corpus::evaluate(take); });
        minutes += double(take.values.size()) / 2 / kSampleRate / 60;
        radio_corpus::printRow(take, outcome);
    }
    std::printf("%.1f minutes of corpus analysed in %.1f ms of processor time: %.1f ms a minute\n",
                minutes, analysis * 1e3, analysis * 1e3 / minutes);
}

void printTallies(const char* heading, const radio_corpus::Tallies& tallies)
{
    std::printf("%-22s %6s %7s %9s\n", heading, "cases", "within", "worst s");
    for (const auto& [name, tally] : tallies)
        std::printf("%-22s %6d %7d %9s\n", name.c_str(), tally.cases, tally.within,
                    radio_corpus::edgeError(tally.worst).c_str());
}

// The runs with the players' titles as hints beside the one without: none, at the song's true
// edges, and 10 s before and after them.
struct HintRun {
    const char* heading;
    std::optional<double> offset;  // seconds from the true edges; none: no hints
};
constexpr HintRun kHintRuns[] = {
    {"no hints", std::nullopt}, {"at edges", 0.0}, {"10 s early", -10.0}, {"10 s late", 10.0}};
constexpr size_t kHintRunCount = std::size(kHintRuns);

struct HintedTake {
    std::string name;
    std::string kind;
    bool reported = false;
    radio_corpus::Outcome outcomes[kHintRunCount];
};

// Each take's worst edge error in every run side by side, then how many targets each run finds
// within their tolerance.
void printHintRuns(const std::vector<HintedTake>& takes)
{
    std::printf(
        "\nSelect Song over the music-radio corpus with the players' titles as hints "
        "(worst edge error in s)\n%-18s %-14s",
        "case", "kind");
    for (const HintRun& run : kHintRuns) std::printf(" %12s", run.heading);
    std::printf("\n");
    radio_corpus::Tally tallies[kHintRunCount];
    for (const HintedTake& take : takes) {
        std::printf("%-18s %-14s", take.name.c_str(), take.kind.c_str());
        for (size_t run = 0; run < kHintRunCount; ++run) {
            const radio_corpus::Outcome& outcome = take.outcomes[run];
            const char* verdict = outcome.within ? "ok" : take.reported ? "-" : "OUT";
            std::printf(" %8s %3s", radio_corpus::edgeError(outcome.error).c_str(), verdict);
            if (!take.reported) tallies[run].add(outcome);
        }
        std::printf("\n");
    }
    std::printf("%-33s", "targets within tolerance");
    for (const radio_corpus::Tally& tally : tallies)
        std::printf(" %6d of %2d", tally.within, tally.cases);
    std::printf("\n");
}

// The music-radio table, its summaries, and the analysis time: processor seconds an hour of
// audio over the whole corpus, and for the largest take alone (without hints). Then the runs
// with hints.
void printMusicRadioCorpus(const std::filesystem::path& directory)
{
    auto cases = loadCorpus(directory, "music_radio_corpus.py", radio_corpus::Audio::Later);
    if (!cases) return;
    std::printf(
        "\nSelect Song over the music-radio corpus (each edge to +-1.00 s, or half the crossfade "
        "there; reported cases have no target)\n");
    radio_corpus::printSongScaleHeading();
    radio_corpus::Tallies kinds;
    radio_corpus::Tallies parts;
    std::vector<HintedTake> hinted;
    double analysis = 0;
    double hours = 0;
    double largest = 0;
    double largestSeconds = 0;
    for (radio_corpus::Case& take : *cases) {
        radio_corpus::readAudio(directory, take);
        HintedTake& runs =
            hinted.emplace_back(HintedTake{take.name, take.kind, take.reported(), {}});
        radio_corpus::Outcome& outcome = runs.outcomes[0];
        const double cpu = bench::cpuSeconds([&] { outcome = radio_corpus::evaluate(take); });
        for (size_t run = 1; run < kHintRunCount; ++run)
            runs.outcomes[run] = radio_corpus::evaluate(
                take, radio_corpus::hintsAtEdges(take, *kHintRuns[run].offset));
        const double seconds = double(take.values.size()) / 2 / kSampleRate;
        radio_corpus::releaseAudio(take);
        analysis += cpu;
        hours += seconds / 3600;
        if (seconds > largestSeconds) {
            largestSeconds = seconds;
            largest = cpu;
        }
        radio_corpus::printSongScaleRow(take, outcome);
        kinds[take.reported() ? take.kind + " (rep)" : take.kind].add(outcome);
        if (!take.reported()) parts[take.part].add(outcome);
    }
    std::printf("\n");
    printTallies("kind", kinds);
    std::printf("\n");
    printTallies("part (targets)", parts);
    std::printf(
        "\n%.2f hours of corpus analysed in %.2f s of processor time: %.2f s an hour of audio; "
        "the largest take (%.1f minutes) in %.3f s\n",
        hours, analysis, analysis / hours, largestSeconds / 60, largest);
    printHintRuns(hinted);
}

}  // namespace

int main(int argc, char** argv)
{
    // The editor's start-up may change the working directory.
    const auto corpus = std::filesystem::absolute(argc > 2 ? argv[2] : "tests/editor/radio_corpus");
    const auto musicRadio =
        std::filesystem::absolute(argc > 3 ? argv[3] : "tests/editor/music_radio_corpus");
    EngineApi engine = bindBenchEngine(argc, argv);
    BenchEditor bench(engine, kMaxTrackLength);
    Editor& editor = bench.editor;
    const int32_t frames = editor.state().mod->trklen;
    const int32_t song = writeSongs(engine, frames);
    // The window sleeps between its events while the worker runs, as the real one does.
    bench.window.onEvents = [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kProgressPassMilliseconds));
    };

    int32_t peak = 0;
    std::vector<int16_t> values(size_t(2) * size_t(frames));
    const double readOnly = bench::seconds([&] {
        engine.TrackReadFrames(0, frames, values.data());
        for (const int16_t value : values) peak = std::max(peak, std::abs(int32_t(value)));
    });
    values = {};
    double scanCpu = 0;
    const double scan = bench::seconds(
        [&] { scanCpu = bench::cpuSeconds([&] { editor.selection().selectSong(); }); });

    if (peak != 12000) {
        std::fprintf(stderr, "the songs were not written: the loudest value is %d\n", peak);
        return 1;
    }
    // The selection must be the last complete song, or the figure means nothing. Every frame of
    // a song is loud on one channel at least, but its last 20 s end in a quiet passage.
    const int32_t soundEnd = song + kSongFrames - kBreakFrames;
    if (editor.state().selection->clipbegin != song - kSongMarginFrames ||
        editor.state().selection->clipend != soundEnd + kSongMarginFrames) {
        std::fprintf(stderr, "selected frames %d to %d, not the song from %d to %d\n",
                     editor.state().selection->clipbegin, editor.state().selection->clipend, song,
                     soundEnd);
        return 1;
    }

    const double minutes = double(frames) / kSampleRate / 60;
    std::printf(
        "Select Song over the whole track beside one bulk read of it (target: <= 500 ms, 20 ms a "
        "minute)\n");
    std::printf("%12s %9s %12s %12s %12s %8s %12s\n", "frames", "minutes", "select ms", "cpu ms",
                "read ms", "ratio", "cpu ms/min");
    std::printf("%12d %9.1f %12.1f %12.1f %12.1f %8.2f %12.1f\n", frames, minutes, scan * 1e3,
                scanCpu * 1e3, readOnly * 1e3, scan / readOnly, scanCpu * 1e3 / minutes);
    printCorpus(corpus);
    printMusicRadioCorpus(musicRadio);
    return 0;
}
