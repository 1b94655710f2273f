// SPDX-License-Identifier: GPL-3.0-or-later
// Where, in a run of continuous music, one song gives way to the next. The places where it might
// (a change of harmony or timbre over a few seconds, a dip in the level as one song fades under
// the next) are many, and most are a song's own sections; the boundaries are chosen among them
// together, over the whole run, so that each song between them is as homogeneous as it can be in
// rhythm, harmony, production and loudness, and as long as songs are: a split must buy more
// homogeneity than a new song costs, and a song of seconds costs much more than one of minutes.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "hinted_edges.h"
#include "song_scale.h"
#include "sound_classifier.h"
#include "sound_features.h"

struct MusicRun {
    int32_t first = 0;  // steps first .. end - 1
    int32_t end = 0;
    bool openBefore = false;  // the run starts at the take's start: what came before is cut off
    bool openAfter = false;   // it runs into the take's end
};

// Running sums of the descriptor rows and their squares, for the spread of any stretch of steps
// in a few operations a dimension.
class StepMoments {
public:
    explicit StepMoments(const StepDescriptors& descriptors);

    // Each dimension's variance over steps first .. end - 1.
    std::vector<double> variances(int32_t first, int32_t end) const;
    // The weighted sum of the squared distances of steps first .. end - 1 from their mean,
    // each dimension in units of its variance in unit.
    double spread(int32_t first, int32_t end, const std::vector<double>& unit) const;

private:
    std::vector<double> sums_;  // (steps + 1) x dims
    std::vector<double> squares_;
};

struct LevelDip {
    int32_t step = 0;
    float depth = 0;    // dB below the median level around
    int32_t first = 0;  // the steps first .. last around it stay as far below that median as a
    int32_t last = 0;   // dip must be
};

// Where one song ends and the next begins: one step where they cross, or either side of the
// near silence one song fades into before the next comes in.
struct SongJoin {
    int32_t end = 0;    // the step after the earlier song's last
    int32_t start = 0;  // the later song's first step
    bool operator==(const SongJoin&) const = default;
};

class SongSegmenter {
public:
    // The hints make the changes near them likelier edges (hinted_edges.h).
    explicit SongSegmenter(const SoundFeatures& features, TitleHints hints = {});

    // Where in the run one song gives way to the next, in order.
    std::vector<SongJoin> boundaries(const MusicRun& run) const;

    // How much more homogeneous steps first .. step - 1 and step .. end - 1 of the run are, each
    // on its own, than the whole: what a boundary at step buys.
    double gainAt(const MusicRun& run, int32_t first, int32_t step, int32_t end) const;

private:
    // The places looked at: novelty peaks and the run's level dips, in order.
    std::vector<int32_t> candidates(const MusicRun& run, const std::vector<LevelDip>& dips) const;
    // The candidates found near a hint that no edge of the run already explains.
    std::vector<int32_t> hintedCandidates(const MusicRun& run,
                                          const std::vector<int32_t>& found) const;
    // Near a hint with no candidate within reach, the fainter novelty peaks are candidates too.
    void addFaintChangesNearHints(const MusicRun& run, const std::vector<float>& novelty,
                                  std::vector<int32_t>& found) const;
    // The places where the level falls well below the level around, as one song fades under
    // the next.
    std::vector<LevelDip> levelDips(const MusicRun& run) const;
    // Moves each boundary, its neighbours kept, to the step nearby where the sound before and
    // after differ most, bar by bar: a candidate marks where a change is, not exactly where.
    // Where the level dips nearby, as one song fades under the next, the boundary is looked for
    // around the deepest dip only: a song's own last section changes the sound too. A dip into
    // near silence parts the songs on either side of it.
    std::vector<SongJoin> refine(const MusicRun& run, const std::vector<LevelDip>& dips,
                                 const std::vector<int32_t>& chosen) const;
    // Where the songs either side of a boundary near the dip meet, between the neighbouring
    // boundaries previous and next.
    SongJoin joinAtDip(const std::vector<double>& unit, int32_t previous, int32_t next,
                       const LevelDip& dip) const;
    // The step within reach of near, between the neighbouring boundaries previous and next, where
    // the sound of the steps before and after differs most; only steps lowest .. highest are
    // looked at.
    int32_t bestSplit(const std::vector<double>& unit, int32_t previous, int32_t next, int32_t near,
                      int32_t reach, int32_t lowest = std::numeric_limits<int32_t>::min(),
                      int32_t highest = std::numeric_limits<int32_t>::max()) const;
    // What a boundary at step that leaves a cut song costs besides its price, for the beat that
    // carries on across it.
    double steadyBeatCost(int32_t step) const;

    StepDescriptors descriptors_;  // bar by bar
    StepMoments moments_;
    StepMoments songMoments_;  // averaged over song scale
    PieceChanges changes_;
    TitleHints hints_;
    std::vector<float> onsets_;  // the onset envelope, hop by hop
};

// What a song of the given length costs beside one of several minutes, in the units of
// SongSegmenter's homogeneity; 0 from a minute and a half on.
double shortSongCost(int32_t steps);
