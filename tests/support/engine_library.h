#pragma once

#include <string>

#include "brenvik.h"
#include "dynamic_library.h"

// The engine's exports that the MP3 tests use, from a libbrenvik.so loaded by path as the
// editor loads it; its $ORIGIN then decides which libbladeenc.so the export finds.
struct EngineLibrary {
    decltype(&OpenLib) openLib = nullptr;
    decltype(&CloseLib) closeLib = nullptr;
    decltype(&TrackWrite) trackWrite = nullptr;
    decltype(&SaveAsMp3) saveAsMp3 = nullptr;

    // Empty on success, else the loader's error. The library stays loaded for the process.
    std::string load(const std::string& path) {
        quorvel::DynamicLibrary library(path);
        if (!library.loaded()) return library.error();
        preloadEncoderUnderSanitizer(path.substr(0, path.rfind('/') + 1) + "libbladeenc.so");
        const bool complete = library.resolve("OpenLib", openLib) &&
                              library.resolve("CloseLib", closeLib) &&
                              library.resolve("TrackWrite", trackWrite) &&
                              library.resolve("SaveAsMp3", saveAsMp3);
        return complete ? std::string() : library.error() + " in " + path;
    }

    // A sanitizer runtime intercepts dlopen, so the loader takes it for the caller and searches
    // its RUNPATH instead of the engine's $ORIGIN. There the test loads the encoder beside the
    // engine itself, by path; the engine's dlopen by bare name then finds it by its soname.
    static void preloadEncoderUnderSanitizer([[maybe_unused]] const std::string& encoderPath) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        quorvel::DynamicLibrary encoder(encoderPath);
#endif
    }
};
