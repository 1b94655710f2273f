// SPDX-License-Identifier: GPL-3.0-or-later
// Cut, Fade In and Fade Out over the fake engine's track: which values change, to exactly what,
// and when the commands refuse a short selection.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "editor_fixture.h"

namespace {

class Effects : public EditorFixture {
protected:
    static constexpr int32_t kBegin = 1000;  // clipbegin of the tests' selections

    void SetUp() override { startUp(); }

    void select(int32_t begin, int32_t end) { editor.selection().select(begin, end); }

    int16_t& value(int32_t index) { return fakeEngine.track[size_t(index)]; }

    // Fills the values first .. last (inclusive) with v.
    void fill(int32_t first, int32_t last, int16_t v)
    {
        for (int32_t index = first; index <= last; ++index) value(index) = v;
    }

    bool redrawn() const
    {
        for (const ViewOp& op : window.fakeView.ops)
            if (op.kind == ViewOp::Clear) return true;
        return false;
    }
};

// Rounds numerator / denominator (denominator > 0) to the nearest integer, halves to even.
int64_t roundedQuotient(int64_t numerator, int64_t denominator)
{
    int64_t quotient = numerator / denominator;
    int64_t remainder = numerator % denominator;
    if (remainder < 0) {
        remainder += denominator;
        --quotient;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0))
        ++quotient;
    return quotient;
}

TEST(RoundedQuotient, HalvesGoToEven)
{
    EXPECT_EQ(roundedQuotient(5, 2), 2);
    EXPECT_EQ(roundedQuotient(7, 2), 4);
    EXPECT_EQ(roundedQuotient(-3, 2), -2);
    EXPECT_EQ(roundedQuotient(-5, 2), -2);
    EXPECT_EQ(roundedQuotient(-7, 4), -2);
}

TEST_F(Effects, Cut_SilencesSelectionsLongerThanTenFramesUnderTheBusyWindow)
{
    const size_t callsBefore = fakeEngine.calls.size();
    select(kBegin, kBegin + 10);
    editor.edits().cut();
    EXPECT_EQ(fakeEngine.calls.size(), callsBefore);
    EXPECT_TRUE(window.log.empty());

    select(kBegin, kBegin + 11);
    editor.edits().cut();
    EXPECT_EQ(fakeEngine.calls.back(), "TrackClear 1000 1011");
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy text: Applying Edits ...", "busy init",
                                                    "busy hide"}));
    EXPECT_TRUE(redrawn());
    EXPECT_EQ(editor.state().selection->clipbegin, kBegin);
    EXPECT_EQ(editor.state().selection->clipend, kBegin + 11);
}

TEST_F(Effects, Cut_ReversedSelectionDoesNothing)
{
    const size_t callsBefore = fakeEngine.calls.size();
    select(kBegin + 500, kBegin);
    editor.edits().cut();
    EXPECT_EQ(fakeEngine.calls.size(), callsBefore);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(Effects, Fades_NeedMoreThan1024Frames)
{
    fill(2 * kBegin, 2 * kBegin + 2049, 10000);
    select(kBegin, kBegin + 1024);
    editor.edits().fadeIn();
    editor.edits().fadeOut();
    select(kBegin + 1024, kBegin);
    editor.edits().fadeIn();
    EXPECT_EQ(value(2 * kBegin), 10000);
    EXPECT_EQ(value(2 * kBegin + 2048), 10000);
    EXPECT_TRUE(window.log.empty());
    EXPECT_FALSE(redrawn());
}

TEST_F(Effects, ASelectionShrunkWhileTheBusyWindowShows_IsLeftAlone)
{
    fill(2 * kBegin, 2 * kBegin + 4000, 10000);
    for (void (EditCommands::*command)() :
         {&EditCommands::fadeIn, &EditCommands::fadeOut, &EditCommands::cut}) {
        select(kBegin, kBegin + 2000);
        // A click in the view while the busy window lets events in: an empty selection.
        window.onBusyInit = [this] { select(kBegin + 5, kBegin + 5); };
        (editor.edits().*command)();
        for (int32_t index = 2 * kBegin; index <= 2 * kBegin + 4000; ++index)
            ASSERT_EQ(value(index), 10000) << "value " << index;
    }
}

TEST_F(Effects, FadeOut_Over1025Frames_TouchesValues2cTo2cPlus2050)
{
    const int32_t s = 2 * kBegin;
    fill(s - 1, s + 2051, 10000);
    select(kBegin, kBegin + 1025);
    editor.edits().fadeOut();

    EXPECT_EQ(value(s - 1), 10000);     // right value of the frame before
    EXPECT_EQ(value(s), 10000);         // gain 1
    EXPECT_EQ(value(s + 1), 9995);      // 10000 * 2049 / 2050
    EXPECT_EQ(value(s + 2050), 0);      // left value of frame clipend, gain 0
    EXPECT_EQ(value(s + 2051), 10000);  // right value of frame clipend, untouched
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy text: Applying Effects ...", "busy init",
                                                    "busy hide"}));
    EXPECT_TRUE(redrawn());
    EXPECT_EQ(editor.state().selection->clipbegin, kBegin);
    EXPECT_EQ(editor.state().selection->clipend, kBegin + 1025);
}

TEST_F(Effects, FadeIn_EndsAtTheLeftValueOfFrameClipend)
{
    const int32_t s = 2 * kBegin;
    fill(s - 1, s + 2051, -10000);
    select(kBegin, kBegin + 1025);
    editor.edits().fadeIn();

    EXPECT_EQ(value(s - 1), -10000);
    EXPECT_EQ(value(s), 0);              // gain 0
    EXPECT_EQ(value(s + 1), -5);         // -10000 / 2050 = -4.88
    EXPECT_EQ(value(s + 2050), -10000);  // gain 1
    EXPECT_EQ(value(s + 2051), -10000);
}

TEST_F(Effects, FadeIn_WorkedValuesOfTheRightValueOfFrameClipbegin)
{
    // 2048 frames: span 4096, rate exactly 1/4096; the right value of frame clipbegin has k = 1.
    select(kBegin, kBegin + 2048);
    for (auto [old, expected] : {std::pair{2048, 0}, {2049, 1}, {6144, 2}, {-6144, -2}}) {
        value(2 * kBegin + 1) = int16_t(old);
        editor.edits().fadeIn();
        EXPECT_EQ(value(2 * kBegin + 1), expected) << old;
    }
}

TEST_F(Effects, BothFades_HalfGainTiesGoToEven)
{
    // k = 2048 of a 2048-frame selection: the left value of frame clipbegin + 1024, gain 0.5.
    const int32_t middle = 2 * kBegin + 2048;
    select(kBegin, kBegin + 2048);
    for (auto fade : {&EditCommands::fadeIn, &EditCommands::fadeOut}) {
        for (auto [old, expected] : {std::pair{3, 2}, {5, 2}, {7, 4}, {-3, -2}}) {
            value(middle) = int16_t(old);
            (editor.edits().*fade)();
            EXPECT_EQ(value(middle), expected) << old;
        }
    }
}

// With a span that is a power of two every gain is exact, so each result must equal the
// exactly rounded quotient, for any audio.
TEST_F(Effects, BothFades_MatchExactArithmeticOverRandomAudio)
{
    constexpr int32_t span = 2 * 8192;
    const int32_t s = 2 * kBegin;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<int16_t> before(span + 1);
    for (int16_t& v : before) v = int16_t(sample(random));

    select(kBegin, kBegin + span / 2);
    for (bool in : {true, false}) {
        for (int32_t k = 0; k <= span; ++k) value(s + k) = before[size_t(k)];
        in ? editor.edits().fadeIn() : editor.edits().fadeOut();
        int32_t wrong = 0;
        for (int32_t k = 0; k <= span; ++k) {
            const int64_t gainNumerator = in ? k : span - k;
            wrong += value(s + k) != roundedQuotient(gainNumerator * before[size_t(k)], span);
        }
        EXPECT_EQ(wrong, 0) << (in ? "in" : "out");
    }
}

// Over 1025 frames the gains are inexact: the gain is formed first, in double precision, and
// only then multiplied by the value, which decides these near-ties.
TEST_F(Effects, BothFades_FormTheGainBeforeTheProduct)
{
    const int32_t s = 2 * kBegin;
    select(kBegin, kBegin + 1025);
    value(s + 11) = 1025;  // 11/2050 of it is 5.5 exactly, but the gain times 1025 is below
    editor.edits().fadeIn();
    EXPECT_EQ(value(s + 11), 5);

    value(s + 131) = 1025;  // 959.5 exactly; the gain 1 - 131/2050 times 1025 is below
    value(s + 353) = 1025;  // 848.5 exactly; the gain 1 - 353/2050 times 1025 is above
    editor.edits().fadeOut();
    EXPECT_EQ(value(s + 131), 959);
    EXPECT_EQ(value(s + 353), 849);
}

TEST_F(Effects, FadeInThenFadeOut_RoundsAfterEachPass)
{
    // k = 1024 of a 2048-frame selection: gain 1/4 in, then 3/4 out.
    const int32_t index = 2 * kBegin + 1024;
    select(kBegin, kBegin + 2048);
    value(index) = 1001;
    editor.edits().fadeIn();
    EXPECT_EQ(value(index), 250);  // 250.25
    editor.edits().fadeOut();
    EXPECT_EQ(value(index), 188);  // 187.5, to even
}

}  // namespace
