// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_engine.h"

#include <algorithm>
#include <cstdint>

namespace {

FakeEngine* current = nullptr;

bool insideTrack(int32_t index)
{
    return current->open && index >= 0 && size_t(index) < current->track.size();
}

int32_t fakeOpenLib(int32_t trackLength, int32_t logging)
{
    current->calls.push_back("OpenLib " + std::to_string(trackLength) + " " +
                             std::to_string(logging));
    if (current->openResult != 0) return current->openResult;
    current->track.assign(size_t(trackLength) * 2, 0);
    current->open = true;
    return 0;
}

int32_t fakeCloseLib()
{
    current->calls.push_back("CloseLib");
    current->open = false;
    current->track.clear();
    return current->closeResult;
}

int32_t fakeTrackRead(int32_t index)
{
    ++current->readCount;
    return insideTrack(index) ? current->track[size_t(index)] : -1;
}

int32_t fakeTrackWrite(int32_t index, int32_t value)
{
    if (!insideTrack(index)) return -1;
    current->track[size_t(index)] = int16_t(value);
    return 0;
}

int32_t fakeTrackClear(int32_t from, int32_t to)
{
    current->calls.push_back("TrackClear " + std::to_string(from) + " " + std::to_string(to));
    // Silences the frames of the range that lie inside the track, as the engine does.
    const auto frames = int64_t(current->track.size() / 2);
    const int64_t first = std::clamp<int64_t>(from, 0, frames);
    const int64_t end = std::clamp<int64_t>(to, first, frames);
    std::fill(current->track.begin() + 2 * first, current->track.begin() + 2 * end, 0);
    return 0;
}

bool holdsFrames(int32_t from, int32_t to)
{
    return current->open && 0 <= from && from <= to && size_t(to) * 2 <= current->track.size();
}

int32_t fakeTrackReadFrames(int32_t from, int32_t to, int16_t* values)
{
    if (values == nullptr || !holdsFrames(from, to)) return -1;
    std::copy(current->track.begin() + 2 * from, current->track.begin() + 2 * to, values);
    return to - from;
}

int32_t fakeTrackWriteFrames(int32_t from, int32_t to, const int16_t* values)
{
    if (values == nullptr || !holdsFrames(from, to)) return -1;
    std::copy(values, values + 2 * (to - from), current->track.begin() + 2 * from);
    return to - from;
}

int32_t fakeSetSongDetails(const char* details)
{
    current->songDetails = details == nullptr ? "" : details;
    return 0;
}

int32_t fakeSetMp3Quality(int32_t quality)
{
    current->mp3Quality = quality;
    return 0;
}

int32_t fakeListSources(char* buffer, int32_t size)
{
    const auto needed = int32_t(current->sources.size() + 1);
    if (buffer != nullptr && size >= needed) std::copy_n(current->sources.c_str(), needed, buffer);
    return needed;
}

int32_t fakeSelectSource(const char* name)
{
    const std::string chosen = name ? name : "";
    current->calls.push_back("SelectSource " + chosen);
    if (!chosen.empty() && current->sources.find(chosen + "\t") == std::string::npos) return 2;
    current->selectedSource = chosen;
    return 0;
}

int32_t fakeGetLostInput(int32_t* stretches, int32_t count)
{
    const auto pairs = int32_t(current->lostInput.size() / 2);
    if (stretches != nullptr)
        std::copy_n(current->lostInput.begin(), 2 * std::min(pairs, count), stretches);
    return pairs;
}

int32_t fakeGetSourceChanges(char* buffer, int32_t size)
{
    if (current->sourceChanges.empty()) return 0;
    const auto needed = int32_t(current->sourceChanges.size() + 1);
    if (buffer != nullptr && size >= needed)
        std::copy_n(current->sourceChanges.c_str(), needed, buffer);
    return needed;
}

int32_t fakeRange(int32_t, int32_t)
{
    return 0;
}
int32_t fakeNone()
{
    return 0;
}
int32_t fakeNoSourcePlayers(int32_t*, int32_t)
{
    return 0;
}

int32_t fakeNoTurn()
{
    return -1;
}
int32_t fakeLoadWave(const char*)
{
    return current->loadResult;
}
int32_t fakeRangePath(int32_t, int32_t, const char*)
{
    return 0;
}
int32_t fakeWaveFrames(const char*)
{
    return current->waveFrames;
}
int32_t fakeWaveSampleBits(const char*)
{
    return current->sampleBits;
}

int32_t fakeKeepTrackInMemory(int32_t inMemory)
{
    current->trackInMemory = inMemory != 0;
    return 0;
}
int32_t fakeGetTrackStore()
{
    return current->open ? current->trackStore : BRENVIK_STORE_NONE;
}
int32_t fakeListTakes(char* buffer, int32_t size)
{
    if (current->takes.empty()) return 0;
    const auto needed = int32_t(current->takes.size() + 1);
    if (buffer != nullptr && size >= needed) std::copy_n(current->takes.c_str(), needed, buffer);
    return needed;
}
int32_t fakeOpenTake(const char* path, int32_t)
{
    current->calls.push_back(std::string("OpenTake ") + path);
    if (current->openResult != 0) return current->openResult;
    current->track.assign(size_t(current->takeLength) * 2, 0);
    current->open = true;
    return 0;
}
int32_t fakeDiscardTake(const char* path)
{
    current->calls.push_back(std::string("DiscardTake ") + path);
    return 0;
}

}  // namespace

FakeEngine::FakeEngine()
{
    current = this;
}

FakeEngine::~FakeEngine()
{
    current = nullptr;
}

EngineApi FakeEngine::api() const
{
    EngineApi api;
    api.OpenLib = fakeOpenLib;
    api.CloseLib = fakeCloseLib;
    api.TrackRead = fakeTrackRead;
    api.TrackWrite = fakeTrackWrite;
    api.TrackClear = fakeTrackClear;
    api.PlayWav = fakeRange;
    api.RecordWav = fakeNone;
    api.StopWav = fakeNone;
    api.GetPosition = fakeNone;
    api.IsPlaying = fakeNone;
    api.LoadWave = fakeLoadWave;
    api.SaveAsWave = fakeRangePath;
    api.SaveAsMp3 = fakeRangePath;
    api.TrackReadFrames = fakeTrackReadFrames;
    api.TrackWriteFrames = fakeTrackWriteFrames;
    api.SetSongDetails = fakeSetSongDetails;
    api.SetMp3Quality = fakeSetMp3Quality;
    api.ListSources = fakeListSources;
    api.SelectSource = fakeSelectSource;
    api.GetLostInput = fakeGetLostInput;
    api.GetSourceChanges = fakeGetSourceChanges;
    api.GetSourcePlayers = fakeNoSourcePlayers;
    api.WaveFrames = fakeWaveFrames;
    api.WaveSampleBits = fakeWaveSampleBits;
    api.GetRingTurn = fakeNoTurn;
    api.SaveProgress = fakeNone;
    api.KeepTrackInMemory = fakeKeepTrackInMemory;
    api.GetTrackStore = fakeGetTrackStore;
    api.ListTakes = fakeListTakes;
    api.OpenTake = fakeOpenTake;
    api.DiscardTake = fakeDiscardTake;
    return api;
}
