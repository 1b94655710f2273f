// A sanitizer runtime intercepts dlopen, so the loader takes the engine's dlopen of the encoder
// by bare name for the test program's own and searches its paths instead of the engine's
// $ORIGIN. Under a sanitizer (gcc's or clang's) the test therefore loads the encoder beside the
// engine by its path first, and the engine's dlopen finds it loaded; elsewhere the engine finds
// it itself, as it does in the program.
#pragma once

#include <dlfcn.h>

#include <filesystem>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUORVEL_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUORVEL_TEST_SANITIZED 1
#endif
#endif

inline void loadEncoderBesideTheEngine()
{
#ifdef QUORVEL_TEST_SANITIZED
    dlopen((std::filesystem::path(BRENVIK_LIBRARY_PATH).parent_path() / "libbladeenc.so").c_str(),
           RTLD_NOW | RTLD_LOCAL);
#endif
}
