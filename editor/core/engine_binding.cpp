// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine_binding.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "dynamic_library.h"

std::string bindEngine(const char* libraryName, EngineApi& api)
{
    quorvel::DynamicLibrary library(libraryName);
    EngineApi bound;
    const bool complete = library.resolve("OpenLib", bound.OpenLib) &&
                          library.resolve("CloseLib", bound.CloseLib) &&
                          library.resolve("TrackRead", bound.TrackRead) &&
                          library.resolve("TrackWrite", bound.TrackWrite) &&
                          library.resolve("TrackClear", bound.TrackClear) &&
                          library.resolve("PlayWav", bound.PlayWav) &&
                          library.resolve("RecordWav", bound.RecordWav) &&
                          library.resolve("StopWav", bound.StopWav) &&
                          library.resolve("GetPosition", bound.GetPosition) &&
                          library.resolve("IsPlaying", bound.IsPlaying) &&
                          library.resolve("LoadWave", bound.LoadWave) &&
                          library.resolve("SaveAsWave", bound.SaveAsWave) &&
                          library.resolve("SaveAsMp3", bound.SaveAsMp3) &&
                          library.resolve("TrackReadFrames", bound.TrackReadFrames) &&
                          library.resolve("TrackWriteFrames", bound.TrackWriteFrames) &&
                          library.resolve("SetSongDetails", bound.SetSongDetails) &&
                          library.resolve("SetMp3Quality", bound.SetMp3Quality) &&
                          library.resolve("ListSources", bound.ListSources) &&
                          library.resolve("SelectSource", bound.SelectSource) &&
                          library.resolve("GetLostInput", bound.GetLostInput) &&
                          library.resolve("GetSourceChanges", bound.GetSourceChanges) &&
                          library.resolve("GetSourcePlayers", bound.GetSourcePlayers) &&
                          library.resolve("WaveFrames", bound.WaveFrames) &&
                          library.resolve("WaveSampleBits", bound.WaveSampleBits) &&
                          library.resolve("GetRingTurn", bound.GetRingTurn) &&
                          library.resolve("SaveProgress", bound.SaveProgress) &&
                          library.resolve("KeepTrackInMemory", bound.KeepTrackInMemory) &&
                          library.resolve("GetTrackStore", bound.GetTrackStore) &&
                          library.resolve("ListTakes", bound.ListTakes) &&
                          library.resolve("OpenTake", bound.OpenTake) &&
                          library.resolve("DiscardTake", bound.DiscardTake);
    if (!complete) return library.error();
    api = bound;
    return {};
}

namespace {

// The program's one lazily bound table. Its entries start as forwarders that bind first.
struct LazyEngine {
    std::string libraryName;
    EngineBindFailure onFailure;
    EngineApi api;
};

LazyEngine& lazyEngine()
{
    static LazyEngine engine;
    return engine;
}

void bindOrExit()
{
    LazyEngine& engine = lazyEngine();
    const std::string error = bindEngine(engine.libraryName.c_str(), engine.api);
    if (error.empty()) return;
    std::fprintf(stderr, "%s\n", error.c_str());
    if (engine.onFailure) engine.onFailure(error);
    std::exit(1);
}

// A forwarder for the export held in member Entry: binds the library, then calls the real one.
template <auto Entry, typename... Args>
int32_t bindThenCall(Args... args)
{
    bindOrExit();
    return (lazyEngine().api.*Entry)(args...);
}

}  // namespace

EngineApi& lazyEngineApi(const char* libraryName, EngineBindFailure onFailure)
{
    LazyEngine& engine = lazyEngine();
    engine.libraryName = libraryName;
    engine.onFailure = std::move(onFailure);
    EngineApi& api = engine.api;
    api.OpenLib = bindThenCall<&EngineApi::OpenLib, int32_t, int32_t>;
    api.CloseLib = bindThenCall<&EngineApi::CloseLib>;
    api.TrackRead = bindThenCall<&EngineApi::TrackRead, int32_t>;
    api.TrackWrite = bindThenCall<&EngineApi::TrackWrite, int32_t, int32_t>;
    api.TrackClear = bindThenCall<&EngineApi::TrackClear, int32_t, int32_t>;
    api.PlayWav = bindThenCall<&EngineApi::PlayWav, int32_t, int32_t>;
    api.RecordWav = bindThenCall<&EngineApi::RecordWav>;
    api.StopWav = bindThenCall<&EngineApi::StopWav>;
    api.GetPosition = bindThenCall<&EngineApi::GetPosition>;
    api.IsPlaying = bindThenCall<&EngineApi::IsPlaying>;
    api.LoadWave = bindThenCall<&EngineApi::LoadWave, const char*>;
    api.SaveAsWave = bindThenCall<&EngineApi::SaveAsWave, int32_t, int32_t, const char*>;
    api.SaveAsMp3 = bindThenCall<&EngineApi::SaveAsMp3, int32_t, int32_t, const char*>;
    api.TrackReadFrames = bindThenCall<&EngineApi::TrackReadFrames, int32_t, int32_t, int16_t*>;
    api.TrackWriteFrames =
        bindThenCall<&EngineApi::TrackWriteFrames, int32_t, int32_t, const int16_t*>;
    api.SetSongDetails = bindThenCall<&EngineApi::SetSongDetails, const char*>;
    api.SetMp3Quality = bindThenCall<&EngineApi::SetMp3Quality, int32_t>;
    api.ListSources = bindThenCall<&EngineApi::ListSources, char*, int32_t>;
    api.SelectSource = bindThenCall<&EngineApi::SelectSource, const char*>;
    api.GetLostInput = bindThenCall<&EngineApi::GetLostInput, int32_t*, int32_t>;
    api.GetSourceChanges = bindThenCall<&EngineApi::GetSourceChanges, char*, int32_t>;
    api.GetSourcePlayers = bindThenCall<&EngineApi::GetSourcePlayers, int32_t*, int32_t>;
    api.WaveFrames = bindThenCall<&EngineApi::WaveFrames, const char*>;
    api.WaveSampleBits = bindThenCall<&EngineApi::WaveSampleBits, const char*>;
    api.GetRingTurn = bindThenCall<&EngineApi::GetRingTurn>;
    api.SaveProgress = bindThenCall<&EngineApi::SaveProgress>;
    api.KeepTrackInMemory = bindThenCall<&EngineApi::KeepTrackInMemory, int32_t>;
    api.GetTrackStore = bindThenCall<&EngineApi::GetTrackStore>;
    api.ListTakes = bindThenCall<&EngineApi::ListTakes, char*, int32_t>;
    api.OpenTake = bindThenCall<&EngineApi::OpenTake, const char*, int32_t>;
    api.DiscardTake = bindThenCall<&EngineApi::DiscardTake, const char*>;
    return api;
}
