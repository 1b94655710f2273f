// SPDX-License-Identifier: GPL-3.0-or-later
// The take is cut at its pauses into stretches of sound; each stretch into runs of speech and of
// music; each run of music at the changes from one piece to the next. The pieces that are long
// enough and touch neither end of the take are the songs.
#include "song_finder.h"

#include <algorithm>

#include "pause_finder.h"
#include "sound_classifier.h"

namespace {

struct Piece {
    int32_t begin = 0;
    int32_t end = 0;
    bool pauseBefore = false;
    bool pauseAfter = false;
};

class SongCollector {
public:
    SongCollector(const SoundFeatures& features, const std::vector<SoundKind>& kinds)
        : features_(features),
          frames_(features.frames),
          kinds_(kinds),
          changes_(features)
    {}

    // Frames begin .. end - 1 lie between pauses (or the take's ends).
    void addStretch(int32_t begin, int32_t end)
    {
        const int32_t firstStep = begin / kStepFrames;
        const int32_t endStep =
            std::min(int32_t(kinds_.size()), (end + kStepFrames - 1) / kStepFrames);
        int32_t runStart = firstStep;
        SoundKind runKind = kindAt(firstStep, SoundKind::Music);
        for (int32_t step = firstStep + 1; step <= endStep; ++step) {
            const SoundKind kind = step < endStep ? kindAt(step, runKind) : SoundKind::Pause;
            if (kind == runKind) continue;
            if (runKind == SoundKind::Music) addMusic(runStart, step, begin, end);
            runStart = step;
            runKind = kind;
        }
    }

    std::vector<SongSelection> songs() const { return songs_; }

private:
    // Steps mostly in a pause at a stretch's edge go with the sound beside them.
    SoundKind kindAt(int32_t step, SoundKind previous) const
    {
        const SoundKind kind = kinds_[size_t(step)];
        return kind == SoundKind::Pause ? previous : kind;
    }

    void addMusic(int32_t firstStep, int32_t endStep, int32_t stretchBegin, int32_t stretchEnd)
    {
        const int32_t runBegin = std::max(stretchBegin, firstStep * kStepFrames);
        const int32_t runEnd = std::min(stretchEnd, endStep * kStepFrames);
        int32_t begin = runBegin;
        if (runBegin > stretchBegin)
            begin = std::clamp(speechEdge(features_, firstStep, true, runBegin, runEnd),
                               stretchBegin, runEnd);
        int32_t end = runEnd;
        if (runEnd < stretchEnd)
            end = std::clamp(speechEdge(features_, endStep, false, runBegin, runEnd), begin,
                             stretchEnd);
        const bool openBefore = firstStep == 0;
        const bool openAfter = endStep * kStepFrames >= frames_;
        for (const int32_t change : changes_.within(firstStep, endStep, openBefore, openAfter)) {
            addPiece({begin, change * kStepFrames, begin == stretchBegin, false});
            begin = change * kStepFrames;
        }
        addPiece({begin, end, begin == stretchBegin, end == stretchEnd});
    }

    void addPiece(Piece piece)
    {
        const bool complete = piece.begin > 0 && piece.end < frames_;
        if (!complete || piece.end - piece.begin < kShortestSongFrames) return;
        songs_.push_back({piece.pauseBefore ? piece.begin - kSongMarginFrames : piece.begin,
                          piece.pauseAfter ? piece.end + kSongMarginFrames : piece.end});
    }

    const SoundFeatures& features_;
    int32_t frames_;
    const std::vector<SoundKind>& kinds_;
    PieceChanges changes_;
    std::vector<SongSelection> songs_;
};

}  // namespace

std::optional<std::vector<SongSelection>> findSongs(TrackFramesReader read, int32_t frames,
                                                    const AnalysisControl& control)
{
    if (frames <= 0) return std::vector<SongSelection>{};
    const std::optional<SoundFeatures> features = extractFeatures(read, frames, control);
    if (!features) return std::nullopt;
    return songsIn(*features, read);
}

std::vector<SongSelection> songsIn(const SoundFeatures& features, TrackFramesReader read)
{
    const int32_t frames = features.frames;
    if (frames <= 0) return {};
    const std::vector<FrameRange> pauses = findPauses(features, read);
    const std::vector<SoundKind> kinds = classifySteps(features, pauses);
    SongCollector collector(features, kinds);
    int32_t stretchBegin = 0;
    for (const FrameRange& pause : pauses) {
        if (pause.begin > stretchBegin) collector.addStretch(stretchBegin, pause.begin);
        stretchBegin = pause.end;
    }
    if (stretchBegin < frames) collector.addStretch(stretchBegin, frames);
    return collector.songs();
}

std::optional<SongSelection> songToSelect(const std::vector<SongSelection>& songs,
                                          SongSelection current)
{
    const auto selected = std::find(songs.begin(), songs.end(), current);
    if (selected == songs.end()) {
        if (songs.empty()) return std::nullopt;
        return songs.back();
    }
    if (selected == songs.begin()) return std::nullopt;
    return *(selected - 1);
}
