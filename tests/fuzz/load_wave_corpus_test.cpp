// SPDX-License-Identifier: GPL-3.0-or-later
// The committed fuzz corpus, replayed in every build: each input the fuzzer kept must still
// load or be rejected by the rules the fuzz target checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "load_wave_check.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(LoadWaveCorpus, EveryInputLoadsOrIsRejectedWithTheTrackUntouched)
{
    const fs::path corpus = LOAD_WAVE_CORPUS;
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    int inputs = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
        const std::vector<uint8_t> bytes = fileBytes(entry.path());
        EXPECT_TRUE(load_wave_check::loadBehaves(bytes.data(), bytes.size()))
            << entry.path().filename();
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << "the corpus is empty";
}

}  // namespace
