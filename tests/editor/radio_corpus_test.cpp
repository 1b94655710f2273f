// SPDX-License-Identifier: GPL-3.0-or-later
// Select Song over radio-like takes of real music and synthetic speech (generated into the build
// directory by radio_corpus.py before this runs): songs between pauses, hiss, talk, crossfades
// and jingles, a quiet passage, and talk alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "radio_corpus.h"

namespace {

TEST(RadioCorpus, EverySongIsFoundWithinItsTolerance)
{
    const char* directory = std::getenv("QUORVEL_RADIO_CORPUS");
    const auto cases = radio_corpus::load(directory != nullptr ? directory : QUORVEL_RADIO_CORPUS);
    if (!cases)
        GTEST_SKIP()
            << "no corpus: radio_corpus.py needs the package wesnoth-1.16-music, espeak-ng and sox";
    ASSERT_GE(cases->size(), 10u);
    radio_corpus::printHeading();
    for (const radio_corpus::Case& take : *cases) {
        ASSERT_FALSE(take.values.empty()) << take.name << ".wav holds no audio";
        const radio_corpus::Outcome outcome = radio_corpus::evaluate(take);
        radio_corpus::printRow(take, outcome);
        if (take.kind == "crossfade") {
            // Similar-sounding songs that overlap are not always told apart; then the take has
            // no complete song, and nothing wrong is selected.
            EXPECT_TRUE(outcome.within || !outcome.start) << take.name << ": a wrong song";
        } else {
            EXPECT_TRUE(outcome.within) << take.name;
        }
    }
}

}  // namespace
