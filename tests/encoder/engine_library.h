#pragma once

#include <dlfcn.h>

#include <string>

#include "brenvik.h"

// The engine's exports that the MP3 tests use, from a libbrenvik.so loaded by path as the
// editor loads it; its $ORIGIN then decides which libbladeenc.so the export finds.
struct EngineLibrary {
    decltype(&OpenLib) openLib = nullptr;
    decltype(&CloseLib) closeLib = nullptr;
    decltype(&TrackWrite) trackWrite = nullptr;
    decltype(&SaveAsMp3) saveAsMp3 = nullptr;

    // Empty on success, else the loader's error. The library stays loaded for the process.
    std::string load(const std::string& path) {
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) return dlerror();
        preloadEncoderUnderSanitizer(path.substr(0, path.rfind('/') + 1) + "libbladeenc.so");
        openLib = reinterpret_cast<decltype(openLib)>(dlsym(library, "OpenLib"));
        closeLib = reinterpret_cast<decltype(closeLib)>(dlsym(library, "CloseLib"));
        trackWrite = reinterpret_cast<decltype(trackWrite)>(dlsym(library, "TrackWrite"));
        saveAsMp3 = reinterpret_cast<decltype(saveAsMp3)>(dlsym(library, "SaveAsMp3"));
        const bool complete = openLib && closeLib && trackWrite && saveAsMp3;
        return complete ? std::string() : "an engine export is missing in " + path;
    }

    // A sanitizer runtime intercepts dlopen, so the loader takes it for the caller and searches
    // its RUNPATH instead of the engine's $ORIGIN. There the test loads the encoder beside the
    // engine itself, by path; the engine's dlopen by bare name then finds it by its soname.
    static void preloadEncoderUnderSanitizer([[maybe_unused]] const std::string& encoderPath) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        dlopen(encoderPath.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    }
};
