// SPDX-License-Identifier: GPL-3.0-or-later
// The take is cut at its pauses into stretches of sound; each stretch into runs of speech and of
// music; each run of music where one song gives way to the next. The pieces that are long
// enough and touch neither end of the take are the songs.
#include "song_finder.h"

#include <algorithm>

#include "hinted_edges.h"
#include "pause_finder.h"
#include "ranked_value.h"
#include "song_segmenter.h"
#include "sound_classifier.h"

namespace {

constexpr int32_t kLongestStopReachSteps = 130;  // 30 s either side of a stop
// What the sound over 30 s either side of a pause differs by at most when a song stops dead
// and goes on; two songs either side of a pause differ by 180 and more.
constexpr double kSameSongGain = 150.0;
constexpr int32_t kSentenceGapFrames = 26460;  // 0.6 s: a DJ's sentences come closer
constexpr int32_t kLongestIntroTalk = 20 * kSampleRate;
// A lone voice is centred, as a microphone is: the channels' difference lies 60 dB and more
// below their sum. Music has a stereo image (5 to 25 dB below), and a voice over music narrows
// it by 10 dB and more. Below this, a recording is taken for mono and says nothing.
constexpr float kMonoSideDb = -30.0F;
constexpr float kNarrowerThanTheSongDb = 3.0F;
}  // namespace

namespace {

// A run of music and its frames: the song or songs it holds start and end with it.
struct MusicPart {
    MusicRun steps;
    int32_t begin = 0;
    int32_t end = 0;
    bool pauseBefore = false;
    bool pauseAfter = false;
    int32_t stretch = 0;         // which stretch between pauses holds it
    bool firstInStretch = true;  // no other music before it in its stretch
    bool lastInStretch = true;
};

// A stretch of sound between two pauses, as the runs of speech and music in it begin and end.
struct Stretch {
    int32_t begin = 0;
    int32_t end = 0;
    SoundKind first = SoundKind::Music;
    SoundKind last = SoundKind::Music;
    bool onlySpeech = false;
};

struct Piece {
    int32_t begin = 0;
    int32_t end = 0;
    bool pauseBefore = false;
    bool pauseAfter = false;
};

class SongCollector {
public:
    SongCollector(const SoundFeatures& features, const std::vector<SoundKind>& kinds,
                  const TitleHints& hints)
        : features_(features),
          frames_(features.frames),
          kinds_(kinds),
          hints_(hints),
          segmenter_(features, hints)
    {
        hearSameSongThroughSpeech();
    }

    // Frames begin .. end - 1 lie between pauses (or the take's ends).
    void addStretch(int32_t begin, int32_t end)
    {
        const int32_t firstStep = begin / kStepFrames;
        const int32_t endStep =
            std::min(int32_t(kinds_.size()), (end + kStepFrames - 1) / kStepFrames);
        int32_t runStart = firstStep;
        SoundKind runKind = firstSoundIn(firstStep, endStep);
        Stretch stretch{begin, end, runKind, runKind, true};
        const size_t partsBefore = parts_.size();
        for (int32_t step = firstStep + 1; step <= endStep; ++step) {
            const SoundKind kind = step < endStep ? kindAt(step, runKind) : SoundKind::Pause;
            if (kind == runKind) continue;
            if (runKind == SoundKind::Music) {
                addMusic(runStart, step, begin, end);
                parts_.back().firstInStretch = parts_.size() == partsBefore + 1;
                if (parts_.size() > partsBefore + 1)
                    parts_[parts_.size() - 2].lastInStretch = false;
                stretch.onlySpeech = false;
            }
            stretch.last = runKind;
            runStart = step;
            runKind = kind;
        }
        stretches_.push_back(stretch);
    }

    // The songs of every part, once the parts that are one song across a stop are joined.
    std::vector<SongSelection> songs()
    {
        for (size_t index = 0; index < parts_.size(); ++index) {
            addIntroHeardBeforeTalk(index);
            addTalkBefore(parts_[index]);
            addTalkAfter(parts_[index]);
        }
        joinStops();
        for (const MusicPart& part : parts_) addSongs(part);
        return songs_;
    }

private:
    // A run taken for speech with music right before and after it may be the song's own thinner
    // bars (a breakdown, a lone synth line): it is music when the half minute either side of
    // each of its ends sounds like one song, as at a dead stop. Talk between two songs does not.
    void hearSameSongThroughSpeech()
    {
        const auto steps = int32_t(kinds_.size());
        int32_t soundBegin = 0;  // the first step after the last pause
        for (int32_t first = 1; first < steps; ++first) {
            if (kinds_[size_t(first - 1)] == SoundKind::Pause) soundBegin = first;
            if (kinds_[size_t(first)] != SoundKind::Speech ||
                kinds_[size_t(first - 1)] != SoundKind::Music)
                continue;
            int32_t end = first;
            while (end < steps && kinds_[size_t(end)] == SoundKind::Speech) ++end;
            int32_t soundEnd = end;
            while (soundEnd < steps && kinds_[size_t(soundEnd)] != SoundKind::Pause) ++soundEnd;
            const MusicRun sound{soundBegin, soundEnd, false, false};
            if (end < steps && kinds_[size_t(end)] == SoundKind::Music &&
                (end - first) * kStepFrames <= kLongestIntroTalk &&
                ((soundsLikeOneSong(sound, first) && soundsLikeOneSong(sound, end)) ||
                 keepsTheSongsStereoImage(first, end)))
                std::fill(kinds_.begin() + first, kinds_.begin() + end, SoundKind::Music);
            first = end;
        }
    }

    // Whether a run taken for speech, steps first .. end - 1, is as wide in stereo as the song
    // right before it (over at most its last half minute): the song's own sparse bars then, not
    // a voice, alone or over a bed. Talk between two songs narrows the image however alike the
    // two songs sound. The music before must be long enough for a song: a bed plays a moment
    // alone, between the advert's sentences.
    bool keepsTheSongsStereoImage(int32_t first, int32_t end) const
    {
        int32_t songBegin = first;
        while (songBegin > 0 && kinds_[size_t(songBegin - 1)] == SoundKind::Music) --songBegin;
        if ((first - songBegin) * kStepFrames < kShortestSongFrames) return false;
        const float song =
            medianSideBelowMid(std::max(songBegin, first - kLongestStopReachSteps), first);
        const float run = medianSideBelowMid(first, end);
        return song > kMonoSideDb && run > kMonoSideDb && run >= song - kNarrowerThanTheSongDb;
    }

    // The median over the hops of steps first .. end - 1.
    float medianSideBelowMid(int32_t first, int32_t end) const
    {
        const auto hops = int32_t(features_.hops.size());
        std::vector<float> sides;
        for (int32_t hop = first * kStepHops; hop < std::min(hops, end * kStepHops); ++hop)
            sides.push_back(features_.hops[size_t(hop)].sideBelowMidDb);
        if (sides.empty()) return kMonoSideDb;
        const size_t middle = sides.size() / 2;
        return valueOfRank(std::move(sides), middle);
    }

    // Whether the sound of steps sound.first .. sound.end - 1 is one song across step: the half
    // minute either side differs by no more than a song from itself across a stop, and no
    // player announced a new title there (the song ended).
    bool soundsLikeOneSong(const MusicRun& sound, int32_t step) const
    {
        if (hints_.near(step) || step - sound.first < kLongestStopReachSteps / 2 ||
            sound.end - step < kLongestStopReachSteps / 2)
            return false;
        return segmenter_.gainAt(sound, std::max(sound.first, step - kLongestStopReachSteps), step,
                                 std::min(sound.end, step + kLongestStopReachSteps)) <
               kSameSongGain;
    }

    SoundKind firstSoundIn(int32_t firstStep, int32_t endStep) const
    {
        for (int32_t step = firstStep; step < endStep; ++step)
            if (kinds_[size_t(step)] != SoundKind::Pause) return kinds_[size_t(step)];
        return SoundKind::Music;
    }

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
        parts_.push_back({{firstStep, endStep, openBefore, openAfter},
                          begin,
                          end,
                          begin == stretchBegin,
                          end == stretchEnd,
                          int32_t(stretches_.size())});
    }

    // A song may begin after a pause with a few seconds of its intro before the DJ starts talking
    // over it: music too short for a song, then talk running into the song, in one stretch.
    // The intro, the talk and the song are one.
    void addIntroHeardBeforeTalk(size_t index)
    {
        MusicPart& part = parts_[index];
        if (index == 0 || part.firstInStretch || part.end - part.begin < kShortestSongFrames)
            return;
        MusicPart& intro = parts_[index - 1];
        const bool introAlone = intro.stretch == part.stretch && intro.firstInStretch;
        if (!introAlone || !intro.pauseBefore || intro.steps.openBefore ||
            intro.end - intro.begin >= kShortestSongFrames ||
            part.begin - intro.begin > kLongestIntroTalk)
            return;
        part.begin = intro.begin;
        part.pauseBefore = true;
        part.firstInStretch = true;
        intro.end = intro.begin;
    }

    // Talk that runs into the music with no pause between and starts after a pause of its own
    // (its sentences apart) is a DJ talking over the song's intro: it belongs to the song. Talk
    // with music at both ends, or talk after a pause right before the music, does not.
    void addTalkBefore(MusicPart& part) const
    {
        if (part.pauseBefore || !part.firstInStretch || part.end - part.begin < kShortestSongFrames)
            return;
        for (auto stretch = size_t(part.stretch);; --stretch) {
            const Stretch& sound = stretches_[stretch];
            if (sound.first != SoundKind::Speech || part.begin - sound.begin > kLongestIntroTalk)
                return;
            if (stretch == 0) return;  // the talk may have begun before the take
            const Stretch& before = stretches_[stretch - 1];
            if (sound.begin - before.end >= kSentenceGapFrames) {
                part.begin = sound.begin;
                part.pauseBefore = true;
                return;
            }
            if (!before.onlySpeech) return;
        }
    }

    // The same at the song's end: talk over its outro that goes on to a pause.
    void addTalkAfter(MusicPart& part) const
    {
        if (part.pauseAfter || !part.lastInStretch || part.end - part.begin < kShortestSongFrames)
            return;
        for (auto stretch = size_t(part.stretch); stretch < stretches_.size(); ++stretch) {
            const Stretch& sound = stretches_[stretch];
            if (sound.last != SoundKind::Speech || sound.end - part.end > kLongestIntroTalk) return;
            if (stretch + 1 == stretches_.size()) return;
            const Stretch& after = stretches_[stretch + 1];
            if (after.begin - sound.end >= kSentenceGapFrames) {
                part.end = sound.end;
                part.pauseAfter = true;
                return;
            }
            if (!after.onlySpeech) return;
        }
    }

    // A song may stop dead for a moment and go on: music either side of a pause that sounds
    // the same over the half minute on each side is one song.
    void joinStops()
    {
        std::vector<MusicPart> joined;
        for (const MusicPart& part : parts_) {
            if (!joined.empty() && sameSongAcross(joined.back(), part)) {
                MusicPart& before = joined.back();
                before.steps.end = part.steps.end;
                before.steps.openAfter = part.steps.openAfter;
                before.end = part.end;
                before.pauseAfter = part.pauseAfter;
                before.stretch = part.stretch;
                continue;
            }
            joined.push_back(part);
        }
        parts_ = std::move(joined);
    }

    bool sameSongAcross(const MusicPart& before, const MusicPart& after) const
    {
        if (!before.pauseAfter || !after.pauseBefore || after.stretch != before.stretch + 1)
            return false;
        return soundsLikeOneSong({before.steps.first, after.steps.end, false, false},
                                 after.steps.first);
    }

    void addSongs(const MusicPart& part)
    {
        int32_t begin = part.begin;
        for (const SongJoin& join : segmenter_.boundaries(part.steps)) {
            addPiece(
                {begin, join.end * kStepFrames, begin == part.begin && part.pauseBefore, false});
            begin = join.start * kStepFrames;
        }
        addPiece({begin, part.end, begin == part.begin && part.pauseBefore, part.pauseAfter});
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
    std::vector<SoundKind> kinds_;  // speech heard inside one song made music
    const TitleHints& hints_;
    SongSegmenter segmenter_;
    std::vector<MusicPart> parts_;
    std::vector<Stretch> stretches_;
    std::vector<SongSelection> songs_;
};

}  // namespace

std::optional<std::vector<SongSelection>> findSongs(TrackFramesReader read, int32_t frames,
                                                    const AnalysisControl& control,
                                                    std::span<const int32_t> hints)
{
    if (frames <= 0) return std::vector<SongSelection>{};
    const std::optional<SoundFeatures> features = extractFeatures(read, frames, control);
    if (!features) return std::nullopt;
    return songsIn(*features, read, hints);
}

std::vector<SongSelection> songsIn(const SoundFeatures& features, TrackFramesReader read,
                                   std::span<const int32_t> hints)
{
    const int32_t frames = features.frames;
    if (frames <= 0) return {};
    const std::vector<FrameRange> found = findPauses(features, read);
    std::vector<SoundKind> kinds = classifySteps(features, found);
    const std::vector<FrameRange> pauses = withoutMomentaryStops(found, kinds);
    const TitleHints titleHints(hints);
    SongCollector collector(features, kinds, titleHints);
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
