// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's one way to the audio engine: a table of the exports of libbrenvik.so (the thirteen and the additions),
// resolved all or none.
#pragma once

#include <functional>
#include <string>

#include "brenvik.h"

struct EngineApi {
    decltype(&::OpenLib) OpenLib = nullptr;
    decltype(&::CloseLib) CloseLib = nullptr;
    decltype(&::TrackRead) TrackRead = nullptr;
    decltype(&::TrackWrite) TrackWrite = nullptr;
    decltype(&::TrackClear) TrackClear = nullptr;
    decltype(&::PlayWav) PlayWav = nullptr;
    decltype(&::RecordWav) RecordWav = nullptr;
    decltype(&::StopWav) StopWav = nullptr;
    decltype(&::GetPosition) GetPosition = nullptr;
    decltype(&::IsPlaying) IsPlaying = nullptr;
    decltype(&::LoadWave) LoadWave = nullptr;
    decltype(&::SaveAsWave) SaveAsWave = nullptr;
    decltype(&::SaveAsMp3) SaveAsMp3 = nullptr;
    // Additions beyond the thirteen.
    decltype(&::TrackReadFrames) TrackReadFrames = nullptr;
    decltype(&::TrackWriteFrames) TrackWriteFrames = nullptr;
    decltype(&::SetSongDetails) SetSongDetails = nullptr;
    decltype(&::SetMp3Quality) SetMp3Quality = nullptr;
    decltype(&::ListSources) ListSources = nullptr;
    decltype(&::SelectSource) SelectSource = nullptr;
    decltype(&::GetLostInput) GetLostInput = nullptr;
    decltype(&::GetSourceChanges) GetSourceChanges = nullptr;
    decltype(&::GetSourcePlayers) GetSourcePlayers = nullptr;
    decltype(&::WaveFrames) WaveFrames = nullptr;
    decltype(&::WaveSampleBits) WaveSampleBits = nullptr;
    decltype(&::GetRingTurn) GetRingTurn = nullptr;
    decltype(&::SaveProgress) SaveProgress = nullptr;
    decltype(&::KeepTrackInMemory) KeepTrackInMemory = nullptr;
    decltype(&::GetTrackStore) GetTrackStore = nullptr;
    decltype(&::ListTakes) ListTakes = nullptr;
    decltype(&::OpenTake) OpenTake = nullptr;
    decltype(&::DiscardTake) DiscardTake = nullptr;
};

// Loads libraryName (dlopen) and resolves the exports into api. On success returns an
// empty text and api is complete; on failure returns the loader's error text and api is left
// untouched, so a table is never half bound. The library stays loaded for the process.
std::string bindEngine(const char* libraryName, EngineApi& api);

// Shows the loader's text when the lazy binding fails; the process then exits.
using EngineBindFailure = std::function<void(const std::string& loaderError)>;

// The program's engine table. Each entry first binds libraryName, at the first call of any of
// them, then forwards. When the binding fails, the loader's text goes to standard error and to
// onFailure, and the process exits with status 1.
EngineApi& lazyEngineApi(const char* libraryName, EngineBindFailure onFailure);
