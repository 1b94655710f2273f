// One pass reads every value once and keeps the peak of each short block. The loud level and
// the pause limit follow from those peaks; runs of quiet blocks long enough to hold a pause are
// then widened frame by frame into the loud blocks beside them, so a pause's edges are exact.
#include "song_finder.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

#include "editor_numbers.h"

namespace {

constexpr int32_t kBlockFrames = 512;  // about 12 ms
constexpr size_t kLoudPercentile = 95;
constexpr double kPauseAmplitudeRatio = 31.622776601683793;  // 30 dB

struct Pause {
    int32_t begin = 0;  // first quiet frame
    int32_t end = 0;    // the frame after the last quiet one
};

int32_t magnitude(int32_t value)
{
    return value < 0 ? -value : value;
}

// The peak of both channels over each block of kBlockFrames frames; the last may be shorter.
std::vector<uint16_t> blockPeaks(TrackValueReader read, int32_t frames)
{
    const int32_t values = checkedMul(2, frames);
    std::vector<uint16_t> peaks;
    peaks.reserve(size_t(frames / kBlockFrames) + 1);
    for (int32_t first = 0; first < values; first += 2 * kBlockFrames) {
        const int32_t end = std::min(values, first + 2 * kBlockFrames);
        int32_t peak = 0;
        for (int32_t index = first; index < end; ++index) peak = std::max(peak, magnitude(read(index)));
        peaks.push_back(uint16_t(peak));
    }
    return peaks;
}

// The level below which most of the sound stays: a high percentile of the block peaks, over the
// blocks that are not digital silence (a take shorter than the track leaves a silent start).
int32_t loudLevel(const std::vector<uint16_t>& peaks)
{
    std::vector<uint16_t> sounding;
    std::copy_if(peaks.begin(), peaks.end(), std::back_inserter(sounding), [](uint16_t p) { return p > 0; });
    if (sounding.empty()) return 0;
    const auto percentile = sounding.begin() + std::ptrdiff_t((sounding.size() - 1) * kLoudPercentile / 100);
    std::nth_element(sounding.begin(), percentile, sounding.end());
    return *percentile;
}

class PauseFinder {
public:
    PauseFinder(TrackValueReader read, int32_t frames, int32_t limit) : read_(read), frames_(frames), limit_(limit) {}

    bool quiet(int32_t frame) const
    {
        return magnitude(read_(2 * frame)) <= limit_ && magnitude(read_(2 * frame + 1)) <= limit_;
    }

    // Frames first .. end - 1 are quiet, and the blocks beside them are not: widens the run over
    // the quiet frames those blocks begin or end with.
    Pause widened(int32_t first, int32_t end) const
    {
        while (first > 0 && quiet(first - 1)) --first;
        while (end < frames_ && quiet(end)) ++end;
        return {first, end};
    }

private:
    TrackValueReader read_;
    int32_t frames_;
    int32_t limit_;
};

}  // namespace

std::optional<SongSelection> findLastSong(TrackValueReader read, int32_t frames)
{
    if (frames <= 0) return std::nullopt;
    const std::vector<uint16_t> peaks = blockPeaks(read, frames);
    const int32_t loud = loudLevel(peaks);
    if (loud == 0) return std::nullopt;
    const auto limit = int32_t(loud / kPauseAmplitudeRatio);
    const PauseFinder finder(read, frames, limit);

    // The last two pauses; the sound between them is the last one with a pause on both sides.
    std::optional<Pause> previous;
    std::optional<Pause> last;
    const size_t blocks = peaks.size();
    for (size_t block = 0; block < blocks;) {
        if (peaks[block] > limit) {
            ++block;
            continue;
        }
        size_t runEnd = block;
        while (runEnd < blocks && peaks[runEnd] <= limit) ++runEnd;
        const auto first = int32_t(block * kBlockFrames);
        const auto end = std::min(frames, int32_t(runEnd * kBlockFrames));
        // Widening adds less than a block on either side; shorter runs need not be looked at.
        if (end - first + 2 * (kBlockFrames - 1) >= kShortestPauseFrames) {
            const Pause pause = finder.widened(first, end);
            if (pause.end - pause.begin >= kShortestPauseFrames) {
                previous = last;
                last = pause;
            }
        }
        block = runEnd;
    }
    if (!previous) return std::nullopt;
    return SongSelection{previous->end - kSongMarginFrames, last->begin + kSongMarginFrames};
}
