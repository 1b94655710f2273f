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
    if (!cases) GTEST_SKIP() << "no corpus: radio_corpus.py needs the package wesnoth-1.16-music, espeak-ng and sox";
    ASSERT_GE(cases->size(), 10u);
    radio_corpus::printHeading();
    int crossfadesFound = 0;
    for (const radio_corpus::Case& take : *cases) {
        ASSERT_FALSE(take.values.empty()) << take.name << ".wav holds no audio";
        const radio_corpus::Outcome outcome = radio_corpus::evaluate(take);
        radio_corpus::printRow(take, outcome);
        if (take.kind == "crossfade") {
            // Songs that overlap are not always told apart from a song's own gradual changes;
            // then the take has no complete song, and nothing wrong is selected.
            EXPECT_TRUE(outcome.within || !outcome.start) << take.name << ": a wrong song";
            crossfadesFound += outcome.within ? 1 : 0;
        } else {
            EXPECT_TRUE(outcome.within) << take.name;
        }
    }
    EXPECT_GE(crossfadesFound, 2) << "crossfades found within 1 s";
}

}  // namespace
