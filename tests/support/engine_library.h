// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "brenvik.h"
#include "dynamic_library.h"
#include "encoder_beside_engine.h"

// The engine's exports that the MP3 and save tests use, from a libbrenvik.so loaded by path as the
// editor loads it; its $ORIGIN then decides which libbladeenc.so the export finds.
struct EngineLibrary {
    decltype(&OpenLib) openLib = nullptr;
    decltype(&CloseLib) closeLib = nullptr;
    decltype(&TrackWrite) trackWrite = nullptr;
    decltype(&SaveAsWave) saveAsWave = nullptr;
    decltype(&SaveAsMp3) saveAsMp3 = nullptr;
    decltype(&TrackWriteFrames) trackWriteFrames = nullptr;
    decltype(&SetSongDetails) setSongDetails = nullptr;
    decltype(&SetMp3Quality) setMp3Quality = nullptr;

    // Empty on success, else the loader's error. The library stays loaded for the process.
    std::string load(const std::string& path)
    {
        quorvel::DynamicLibrary library(path);
        if (!library.loaded()) return library.error();
        loadEncoderBeside(path);
        const bool complete =
            library.resolve("OpenLib", openLib) && library.resolve("CloseLib", closeLib) &&
            library.resolve("TrackWrite", trackWrite) && library.resolve("SaveAsMp3", saveAsMp3) &&
            library.resolve("SaveAsWave", saveAsWave) &&
            library.resolve("TrackWriteFrames", trackWriteFrames) &&
            library.resolve("SetSongDetails", setSongDetails) &&
            library.resolve("SetMp3Quality", setMp3Quality);
        return complete ? std::string() : library.error() + " in " + path;
    }
};
