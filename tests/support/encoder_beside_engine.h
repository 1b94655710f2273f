// SPDX-License-Identifier: GPL-3.0-or-later
// A sanitizer runtime intercepts dlopen, so the loader takes the engine's dlopen of the encoder
// by bare name for the test program's own and searches its paths instead of the engine's
// $ORIGIN. Under a sanitizer (gcc's or clang's) a test therefore loads the encoder by its path
// first, and the engine's dlopen finds it loaded; elsewhere the engine finds it itself, as it
// does in the program.
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

// Loads the encoder library at encoderPath under a sanitizer; it stays loaded for the process.
inline void preloadEncoderUnderSanitizer([[maybe_unused]] const std::filesystem::path& encoderPath)
{
#ifdef QUORVEL_TEST_SANITIZED
    dlopen(encoderPath.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

// The same for the encoder beside the engine library at enginePath.
inline void loadEncoderBeside(const std::filesystem::path& enginePath)
{
    preloadEncoderUnderSanitizer(enginePath.parent_path() / "libbladeenc.so");
}
