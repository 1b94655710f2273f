// SPDX-License-Identifier: GPL-3.0-or-later
// An engine for tests behind the same thirteen entry points: a track in memory, a log of the
// calls, and results that a test can set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine_binding.h"

struct FakeEngine {
    int32_t openResult = 0;
    int32_t closeResult = 0;
    int32_t loadResult = 0;   // LoadWave's answer; the track is left as it is
    int32_t waveFrames = 0;   // WaveFrames' answer
    int32_t sampleBits = 16;  // WaveSampleBits' answer
    std::vector<std::string> calls;
    std::vector<int16_t> track;  // two values per frame
    bool open = false;
    int32_t readCount = 0;
    std::string songDetails;  // the text SetSongDetails was given last
    int32_t mp3Quality = BRENVIK_MP3_CBR_192;
    // ListSources' text, and the source SelectSource chose ("" the default).
    std::string sources = "sim\tSimulated card\tinput\n";
    std::string selectedSource;
    std::vector<int32_t> lostInput;  // GetLostInput's pairs of first frame and frame count
    std::string sourceChanges;       // GetSourceChanges' text, "" for none
    // Where OpenLib keeps the track, ListTakes' text ("" none) and the memory-only choice.
    // OpenTake and DiscardTake are logged in calls; the other three are not.
    int32_t trackStore = BRENVIK_STORE_FILE;
    std::string takes;
    bool trackInMemory = false;
    int32_t takeLength = 0;  // the track length OpenTake opens with

    FakeEngine();
    ~FakeEngine();
    EngineApi api() const;
};
