// SPDX-License-Identifier: GPL-3.0-or-later
// What an engine result means, in words, for the line under an error box's own text. All the
// texts are in one table in error_explanations.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "engine_binding.h"

// LoadWave's result for the file at path: a rejection, a warning that came with loaded audio,
// or the reason the file could not be opened. Empty for BRENVIK_OK or an unknown code. The
// engine tells what a refused file's format chunk holds.
std::string explainLoad(const EngineApi& engine, int32_t code, const std::string& path);
// Why a file could not be written at path, found by looking at the file system after the
// failure (the engine says only that it failed).
std::string explainSave(const std::string& path);
// A result of the device exports (OpenLib, CloseLib, PlayWav, RecordWav, StopWav,
// SelectSource): what happened and what to do. Empty for BRENVIK_OK or an unknown code.
std::string explainDevice(int32_t code);
