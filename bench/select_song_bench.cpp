// Select Song over the largest track (256 MB, 67,108,864 frames) through the engine library,
// beside the least any look at every value costs there: one TrackRead per value and nothing
// else. The track holds songs of about three minutes between one-second pauses, with short
// quiet passages inside the songs. The target is at most 1 s for the whole scan.
//
//   select_song_bench [path of libbrenvik.so]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "bench_editor.h"
#include "song_finder.h"
#include "track_length.h"

namespace {

constexpr int32_t kSongFrames = 3 * 60 * 44100;
constexpr int32_t kPauseFrames = 44100;
constexpr int32_t kBreakFrames = 4410;  // a 0.1 s quiet passage every 20 s of song
constexpr int32_t kBreakEvery = 20 * 44100;
constexpr int32_t kTonePeriod = 100;   // 441 Hz

// Writes songs and pauses over the whole track; returns the first frame of the last song that
// a pause follows.
int32_t writeSongs(const EngineApi& engine, int32_t frames)
{
    std::vector<int16_t> tone(kTonePeriod);
    for (int32_t n = 0; n < kTonePeriod; ++n)
        tone[size_t(n)] = int16_t(std::lround(12000 * std::sin(2 * std::numbers::pi * n / kTonePeriod)));
    int32_t lastComplete = -1;
    for (int32_t start = 0; start < frames; start += kSongFrames + kPauseFrames) {
        const int32_t songEnd = std::min(frames, start + kSongFrames);
        for (int32_t frame = start; frame < songEnd; ++frame) {
            const bool quietPassage = (frame - start) % kBreakEvery >= kBreakEvery - kBreakFrames;
            const int16_t value = quietPassage ? 0 : tone[size_t(frame % kTonePeriod)];
            engine.TrackWrite(2 * frame, value);
            engine.TrackWrite(2 * frame + 1, quietPassage ? 0 : tone[size_t((frame + 25) % kTonePeriod)]);
        }
        const int32_t pauseEnd = std::min(frames, songEnd + kPauseFrames);
        for (int32_t frame = songEnd; frame < pauseEnd; ++frame) {
            engine.TrackWrite(2 * frame, 0);
            engine.TrackWrite(2 * frame + 1, 0);
        }
        if (pauseEnd - songEnd >= kShortestPauseFrames && start > 0) lastComplete = start;
    }
    return lastComplete;
}

}  // namespace

int main(int argc, char** argv)
{
    EngineApi engine = bindBenchEngine(argc, argv);
    BenchEditor bench(engine, kMaxTrackLength);
    Editor& editor = bench.editor;
    const int32_t frames = editor.mod.trklen;
    const int32_t song = writeSongs(engine, frames);

    int32_t peak = 0;
    const double readOnly = bench::seconds([&] {
        for (int32_t index = 0; index < 2 * frames; ++index) peak = std::max(peak, std::abs(engine.TrackRead(index)));
    });
    const double scan = bench::seconds([&] { editor.editSelectSong(); });

    if (peak != 12000) {
        std::fprintf(stderr, "the songs were not written: the loudest value is %d\n", peak);
        return 1;
    }
    // The selection must be the last complete song, or the figure means nothing. Every frame of
    // a song is loud on one channel at least, but its last 20 s end in a quiet passage.
    const int32_t soundEnd = song + kSongFrames - kBreakFrames;
    if (editor.mod.clipbegin != song - kSongMarginFrames || editor.mod.clipend != soundEnd + kSongMarginFrames) {
        std::fprintf(stderr, "selected frames %d to %d, not the song from %d to %d\n", editor.mod.clipbegin,
                     editor.mod.clipend, song, soundEnd);
        return 1;
    }

    std::printf("Select Song over the whole track beside one TrackRead per value (target: <= 1000 ms)\n");
    std::printf("%12s %12s %12s %8s %10s\n", "frames", "select ms", "read ms", "ratio", "ns/frame");
    std::printf("%12d %12.1f %12.1f %8.2f %10.2f\n", frames, scan * 1e3, readOnly * 1e3, scan / readOnly,
                scan * 1e9 / frames);
    return 0;
}
