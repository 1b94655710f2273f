// SPDX-License-Identifier: GPL-3.0-or-later
// FX Normalize Loudness over the fake engine's track: what it measures, against references
// worked out here from the samples themselves, where the selection lands, and undoing it.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "editor_fixture.h"
#include "library_true_peak.h"
#include "loudness.h"
#include "true_peak.h"

namespace {

constexpr double kRate = 44100;

// A 1 kHz sine in both channels whose peak is `dbfs` below full scale: for a sine that is also
// its level in dBFS RMS as audio meters give it (a full-scale sine reads 0 dBFS).
int16_t sineValue(double dbfs, int32_t frame)
{
    const double amplitude = 32767 * std::pow(10, dbfs / 20);
    return int16_t(std::lround(amplitude * std::sin(2 * std::numbers::pi * 1000 * frame / kRate)));
}

// The loudness a 1 kHz tone has without running a K-weighting filter: the filter's gain at
// 1 kHz (+0.691 dB) is what BS.1770's -0.691 dB offset takes off again, so the loudness is the
// sum over the channels of their mean squares, in dB, with full scale 1.
double toneLoudness(const std::vector<int16_t>& track, int32_t from, int32_t to)
{
    double sum = 0;
    for (int32_t index = 2 * from; index < 2 * to; ++index)
        sum += double(track[size_t(index)]) * track[size_t(index)];
    return 10 * std::log10(sum / (to - from) / (32768.0 * 32768.0));
}

class NormalizeLoudness : public EditorFixture {
protected:
    static constexpr int32_t kFrom = 44100;
    static constexpr int32_t kTo = kFrom + 10 * 44100;

    void SetUp() override
    {
        startUp();
        editor.selection().select(kFrom, kTo);
    }

    void fillTone(double dbfs)
    {
        for (int32_t frame = 0; frame < editor.state().mod->trklen; ++frame)
            fakeEngine.track[2 * size_t(frame)] = fakeEngine.track[2 * size_t(frame) + 1] =
                sineValue(dbfs, frame);
    }
};

// Undo puts every value back, and Redo scales again by the same gain.
TEST_F(NormalizeLoudness, ASineAtMinus23DbfsReadsMinus23Lufs_LandsOnEachTarget_AndIsUndone)
{
    for (int target : kLoudnessTargets) {
        SCOPED_TRACE(target);
        fillTone(-23);
        const std::vector<int16_t> before = fakeEngine.track;
        const double reference = toneLoudness(fakeEngine.track, kFrom, kTo);
        ASSERT_NEAR(reference, -23, 0.01);
        window.targetAnswer = target;

        editor.edits().normalizeLoudness();

        ASSERT_TRUE(window.readingShown.has_value());
        EXPECT_NEAR(window.readingShown->integratedLufs, reference, 0.1);
        // A sine's true peak is its amplitude: 3 dB over its level in mean square per channel.
        EXPECT_NEAR(window.readingShown->truePeakDbtp, -23, 0.05);
        EXPECT_NEAR(toneLoudness(fakeEngine.track, kFrom, kTo), target, 0.1);
        EXPECT_EQ(fakeEngine.track[2 * kTo], sineValue(-23, kTo))
            << "a frame after the selection changed";
        EXPECT_EQ(window.settings["Defaults/LoudnessTarget"], std::to_string(target));
        const std::vector<int16_t> normalized = fakeEngine.track;
        editor.edits().undo();
        EXPECT_EQ(fakeEngine.track, before);
        editor.edits().redo();
        EXPECT_EQ(fakeEngine.track, normalized);
    }
}

// A quiet tone with a few loud clicks: reaching the target would lift the clicks past -1 dBTP,
// so the gain stops where their true peak reaches it.
TEST_F(NormalizeLoudness, AGainThatWouldLiftTheTruePeakPastMinus1DbtpIsHeldThere)
{
    fillTone(-40);
    for (int32_t frame = kFrom + 1000; frame < kTo; frame += 44100)
        fakeEngine.track[2 * size_t(frame)] = -26000;
    window.targetAnswer = -14;

    editor.edits().normalizeLoudness();

    ASSERT_TRUE(window.readingShown.has_value());
    const double ceiling = 32768 * std::pow(10, kTruePeakCeilingDbtp / 20);
    // A lone click's true peak is its sample: the largest magnitude among the selected values.
    int32_t peak = 0;
    for (int32_t index = 2 * kFrom; index < 2 * kTo; ++index)
        peak = std::max(peak, std::abs(int32_t(fakeEngine.track[size_t(index)])));
    EXPECT_LE(peak, ceiling);
    EXPECT_GE(peak, ceiling * std::pow(10, -0.1 / 20));
    EXPECT_LT(toneLoudness(fakeEngine.track, kFrom, kTo), -20);
}

// Too short a selection, a silent one and a cancelled dialog change nothing and say why.
TEST_F(NormalizeLoudness, ARefusalChangesNothingAndSaysWhy)
{
    struct Refusal {
        int32_t frames;
        double dbfs;          // the tone filling the track; below -200 silence
        const char* message;  // empty: the dialog shows and the user cancels it
    };
    const Refusal cases[] = {
        {44100, -300, "The selection is too quiet to measure its loudness."},
        {17639, -20, "Select at least 0.4 seconds to measure its loudness."},
        {44100, -30, ""},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.dbfs);
        if (c.dbfs > -200) fillTone(c.dbfs);
        editor.selection().select(editor.state().selection->clipbegin, kFrom + c.frames);
        const std::vector<int16_t> before = fakeEngine.track;
        const bool cancelled = c.message[0] == '\0';
        window.targetAnswer = cancelled ? std::nullopt : std::optional(-14);
        window.log.clear();

        editor.edits().normalizeLoudness();

        EXPECT_EQ(fakeEngine.track, before);
        EXPECT_FALSE(window.canUndo);
        if (cancelled) {
            EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "loudness dialog"), 1);
        } else {
            EXPECT_EQ(window.log.back(), std::string("message: ") + c.message);
        }
    }
}

// libebur128's own true-peak meter, fed the whole signal: the reference for the oversampling
// done here on the loudest blocks only.
double referenceTruePeak(const std::vector<int16_t>& values)
{
    LibraryTruePeak reference;
    reference.add(values.data(), values.size() / 2);
    return reference.peak();
}

// Tones whose samples miss their crests by different amounts, against libebur128's meter over
// the whole signal: a quarter of the rate at 45 degrees puts every sample 3 dB below the crest.
TEST(TruePeak, MatchesLibebur128sMeterOverTheWholeSignal)
{
    struct Signal {
        double frequency;  // Hz
        double phase;      // radians
        double dbfs;       // amplitude
    };
    for (const Signal& signal :
         {Signal{11025, std::numbers::pi / 4, -1}, Signal{997, 0.3, -6}, Signal{15013, 1.1, -2}}) {
        SCOPED_TRACE(signal.frequency);
        std::vector<int16_t> values;
        const double amplitude = 32767 * std::pow(10, signal.dbfs / 20);
        for (int frame = 0; frame < 44100; ++frame) {
            const double v =
                amplitude *
                std::sin(2 * std::numbers::pi * signal.frequency * frame / kRate + signal.phase);
            values.push_back(int16_t(std::lround(v)));
            values.push_back(int16_t(std::lround(v / 2)));
        }
        const double peak = truePeak(values.data(), values.size() / 2, 0, values.size() / 2);
        EXPECT_NEAR(20 * std::log10(peak), 20 * std::log10(referenceTruePeak(values)), 0.05);
    }
}

}  // namespace
