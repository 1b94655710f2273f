// SPDX-License-Identifier: GPL-3.0-or-later
// Telling a steady beat from onsets at no steady period, and from too little to judge, on
// made-up onsets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "made_up_onsets.h"
#include "onset_rhythm.h"
#include "pause_finder.h"
#include "song_scale.h"
#include "sound_classifier.h"

namespace {

TEST(OnsetRhythm, ASteadyBeatRepeatsItself_SyllablesAndSilenceDoNot)
{
    const struct {
        const char* name;
        double seconds;
        std::vector<double> onsets;
        float least, most;  // the regularity lies in least .. most
    } cases[]{
        {"a beat at 120 a minute", 16, made_up::steadyOnsets(16, 0.5), 0.6F, 1.0F},
        {"a beat at 90 a minute", 16, made_up::steadyOnsets(16, 0.667), 0.6F, 1.0F},
        {"a fast beat at 200 a minute", 16, made_up::steadyOnsets(16, 0.3), 0.6F, 1.0F},
        {"syllables 0.15 to 0.6 s apart", 16, made_up::unevenOnsets(16, 0.15, 0.6, 3), 0.0F, 0.35F},
        {"words 0.2 to 0.9 s apart", 16, made_up::unevenOnsets(16, 0.2, 0.9, 5), 0.0F, 0.35F},
        {"silence", 16, {}, 0.0F, 0.0F},
        {"a beat too short for two of the longest lags", 2.5, made_up::steadyOnsets(2.5, 0.5), 0.0F,
         0.0F},
    };
    for (const auto& test : cases) {
        const std::vector<float> envelope =
            onsetEnvelope(made_up::onsetFeatures(test.seconds, test.onsets));
        const float regularity = onsetRegularity(envelope, 0, int32_t(envelope.size()));
        EXPECT_GE(regularity, test.least) << test.name;
        EXPECT_LE(regularity, test.most) << test.name;
    }
}

TEST(OnsetRhythm, ASongsBeatCarriesOnThroughItsSections_TheNextSongsDoesNot)
{
    constexpr int32_t kReachHops = 172;       // 8 s
    constexpr int32_t kTempoReachHops = 646;  // 30 s
    const struct {
        const char* name;
        double period;  // of the 12 s after the first 12 s at 120 a minute; 0 for talk
        float betweenDb;
        double seconds;               // of the whole
        float least, most;            // of the continuity
        float tempoLeast, tempoMost;  // of the tempo kept over 30 s, of which each side holds less
    } cases[]{
        {"the band joins in at the same beat", 0.5, -18.0F, 24, 0.6F, 1.0F, 0.6F, 1.0F},
        {"another song at 162 a minute", 0.37, made_up::kBetweenOnsetsDb, 24, 0.0F, 0.3F, 0, 0},
        {"another song at 75 a minute", 0.8, -18.0F, 24, 0.0F, 0.3F, 0, 0},
        {"talk", 0, made_up::kBetweenOnsetsDb, 24, 0.0F, 0.3F, 0.0F, 0.3F},
        {"too near the take's end for the continuity, not for the tempo", 0.5,
         made_up::kBetweenOnsetsDb, 20, 0.0F, 0.0F, 0.6F, 1.0F},
    };
    for (const auto& test : cases) {
        SoundFeatures features;
        made_up::appendOnsets(features, 12, made_up::steadyOnsets(12, 0.5));
        const int32_t change = int32_t(features.hops.size());
        const double rest = test.seconds - 12;
        made_up::appendOnsets(features, rest,
                              test.period > 0 ? made_up::steadyOnsets(rest, test.period)
                                              : made_up::unevenOnsets(rest, 0.15, 0.6, 7),
                              test.betweenDb);
        const std::vector<float> envelope = onsetEnvelope(features);
        const float continuity = onsetContinuity(envelope, change, kReachHops);
        EXPECT_GE(continuity, test.least) << test.name;
        EXPECT_LE(continuity, test.most) << test.name;
        const float tempo = tempoKept(envelope, change, kTempoReachHops);
        EXPECT_GE(tempo, test.tempoLeast) << test.name;
        EXPECT_LE(tempo, test.tempoMost) << test.name;
    }
}

struct Passage {
    double seconds;
    double period;            // between onsets, in seconds; 0 for talk's uneven syllables
    float betweenDb;          // the level between onsets
    bool pauseAfter = false;  // half a second of silence follows, found as a pause
};

constexpr float kSilentDb = made_up::kBetweenOnsetsDb;
constexpr float kBandDb = -18.0F;  // a band playing on between the beats

TEST(SoundClassifier, DrumsAloneKeepABeat_TalkAndTooShortAStretchStaySpeech)
{
    const struct {
        const char* name;
        std::vector<Passage> passages;
        SoundKind kind;  // of the steps in the middle second
    } cases[]{
        {"20 s of drums alone", {{20, 0.5, kSilentDb}}, SoundKind::Music},
        {"20 s of talk", {{20, 0, kSilentDb}}, SoundKind::Speech},
        {"4 s of drums alone: too short to tell from a sentence",
         {{4, 0.3, kSilentDb}},
         SoundKind::Speech},
        {"a drum break at the song's beat",
         {{12, 0.5, kBandDb}, {6, 0.5, kSilentDb}, {12, 0.5, kBandDb}},
         SoundKind::Music},
        {"a break at another beat than the song's",
         {{12, 0.5, kBandDb}, {6, 0.37, kSilentDb}, {12, 0.5, kBandDb}},
         SoundKind::Speech},
        {"talk over a pause in the song",
         {{12, 0.5, kBandDb}, {6, 0, kSilentDb}, {12, 0.5, kBandDb}},
         SoundKind::Speech},
        {"a song's intro at its beat after the talk and a pause",
         {{12, 0, kSilentDb, true}, {6, 0.5, kSilentDb}, {12, 0.5, kBandDb}},
         SoundKind::Music},
        {"talk after a pause, running into the song",
         {{12, 0, kSilentDb, true}, {4, 0, kSilentDb}, {12, 0.5, kBandDb}},
         SoundKind::Speech},
    };
    for (const auto& test : cases) {
        SoundFeatures features;
        std::vector<FrameRange> pauses;
        for (const Passage& passage : test.passages) {
            made_up::appendOnsets(features, passage.seconds,
                                  passage.period > 0
                                      ? made_up::steadyOnsets(passage.seconds, passage.period)
                                      : made_up::unevenOnsets(passage.seconds, 0.15, 0.6, 11),
                                  passage.betweenDb);
            if (!passage.pauseAfter) continue;
            const int32_t begin = features.frames;
            made_up::appendOnsets(features, 0.5, {});
            pauses.push_back({begin, features.frames});
        }
        const std::vector<SoundKind> kinds = classifySteps(features, pauses);
        ASSERT_FALSE(kinds.empty()) << test.name;
        EXPECT_EQ(kinds[kinds.size() / 2], test.kind) << test.name;
    }
}

TEST(SoundClassifier, AStopOfAMomentAmidAMomentOfSpeechLikeSound_IsTheSongsOwn)
{
    // Steps as letters: m music, s speech, p the pause, which lasts pauseFrames.
    const struct {
        const char* name;
        std::string steps;
        int32_t pauseFrames;
        bool songsOwn;  // all its steps become music and the pause goes
    } cases[]{
        {"between two moments of speech-like sound", "mmmsssspsssmmm", 8820, true},
        {"before a moment of speech-like sound", "mmmpssmmm", 8820, true},
        {"between two pieces of music: a pause", "mmmpmmm", 8820, false},
        {"longer than a gap in music", "mmmsspssmmm", 22050, false},
        {"beside talk", "mmmssssssspssssssmmm", 8820, false},
    };
    for (const auto& test : cases) {
        std::vector<SoundKind> kinds;
        for (const char letter : test.steps)
            kinds.push_back(letter == 'm'   ? SoundKind::Music
                            : letter == 's' ? SoundKind::Speech
                                            : SoundKind::Pause);
        const std::vector<SoundKind> given = kinds;
        const auto begin = int32_t(test.steps.find('p')) * kStepFrames;
        const bool kept =
            !withoutMomentaryStops({{begin, begin + test.pauseFrames}}, kinds).empty();
        EXPECT_EQ(kept, !test.songsOwn) << test.name;
        EXPECT_EQ(kinds, test.songsOwn ? std::vector(kinds.size(), SoundKind::Music) : given)
            << test.name;
    }
}

}  // namespace
