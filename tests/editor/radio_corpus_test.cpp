// Select Song over radio-like takes of real music and synthetic speech (generated into the build
// directory by radio_corpus.py before this runs): songs between pauses, hiss, talk, crossfades
// and jingles, a quiet passage, and talk alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "radio_corpus.h"

namespace {

TEST(RadioCorpus, EverySongIsFoundWithinItsTolerance)
{
    const char* directory = std::getenv("QUORVEL_RADIO_CORPUS");
    const auto cases = radio_corpus::load(directory != nullptr ? directory : QUORVEL_RADIO_CORPUS);
    if (!cases) GTEST_SKIP() << "no corpus: radio_corpus.py needs the package wesnoth-1.16-music, espeak-ng and sox";
    ASSERT_GE(cases->size(), 10u);
    int changes = 0;
    int changesWithin = 0;
    radio_corpus::printHeading();
    for (const radio_corpus::Case& take : *cases) {
        ASSERT_FALSE(take.values.empty()) << take.name << ".wav holds no audio";
        const radio_corpus::Outcome outcome = radio_corpus::evaluate(take);
        radio_corpus::printRow(take, outcome);
        if (take.kind == "pause" || take.kind == "none") {
            EXPECT_TRUE(outcome.within) << take.name;
        } else {
            ++changes;
            changesWithin += outcome.within;
        }
    }
    // Talk, crossfades and jingles: nine in ten within a second.
    EXPECT_GE(changesWithin * 10, changes * 9) << changesWithin << " of " << changes;
}

}  // namespace
