// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for libbladeenc.so that records every call, so that tests can watch how the engine
// drives its encoder. Each call reads its settings from the environment:
//   FAKE_BLADEENC_LOG    file to which each call appends one line (see the entry points)
//   FAKE_BLADEENC_CHUNK  samples per chunk that beInitStream reports (default 8)
//   FAKE_BLADEENC_FAIL   name of the one entry point that returns an error
//   FAKE_BLADEENC_REMOVE directory that beDeinitStream removes with all it holds, as a user
//                        might while an export into it runs
// beEncodeChunk hands back its input unchanged and beDeinitStream the bytes "FLUSH", so the
// exported file shows exactly which samples reached the encoder and in what order.
// Built with FAKE_BLADEENC_WITHOUT_VERSION it lacks beVersion, as a broken library would.
// Built with FAKE_BLADEENC_WITH_INFO_FRAME it has beInfoFrame: a stream opened for an Info frame
// begins its output with the bytes "PLACEHOLDER-FRAME", and beInfoFrame hands back
// "FINAL-INFO-FRAME!" of the same size.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bladeenc.h"

namespace {

constexpr uint32_t kHandle = 42;
constexpr uint32_t kFailure = 99;
constexpr char kFlushBytes[] = "FLUSH";
constexpr char kPlaceholder[] = "PLACEHOLDER-FRAME";
constexpr char kInfoFrame[] = "FINAL-INFO-FRAME!";
static_assert(sizeof kPlaceholder == sizeof kInfoFrame);

// The placeholder still to come at the start of the next output.
bool placeholderPending = false;

// Puts the placeholder before the count bytes at output when it is still to come.
uint32_t withPlaceholder(uint8_t* output, uint32_t count)
{
    if (!placeholderPending) return count;
    placeholderPending = false;
    const uint32_t size = sizeof kPlaceholder - 1;
    std::memmove(output + size, output, count);
    std::memcpy(output, kPlaceholder, size);
    return count + size;
}

// Appends one line to the log file (nothing when no log is asked for).
void record(const std::string& line)
{
    const char* path = std::getenv("FAKE_BLADEENC_LOG");
    if (!path) return;
    if (FILE* log = std::fopen(path, "a")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

bool fails(const char* entryPoint)
{
    const char* failing = std::getenv("FAKE_BLADEENC_FAIL");
    return failing && std::strcmp(failing, entryPoint) == 0;
}

uint32_t chunkSamples()
{
    const char* chunk = std::getenv("FAKE_BLADEENC_CHUNK");
    return chunk ? static_cast<uint32_t>(std::strtoul(chunk, nullptr, 10)) : 8;
}

bool reservedTailIsZero(const BE_CONFIG& config)
{
    for (uint8_t byte : config.reserved) {
        if (byte != 0) return false;
    }
    return true;
}

std::string describe(const BE_CONFIG& config)
{
    return "kind " + std::to_string(config.kind) + " rate " + std::to_string(config.sampleRate) +
           " mode " + std::to_string(config.mode) + " bitrate " + std::to_string(config.bitrate) +
           " flags " + std::to_string(config.privateBit) + std::to_string(config.crc) +
           std::to_string(config.copyright) + std::to_string(config.original) +
           (config.infoFrame ? " info" : "") + (reservedTailIsZero(config) ? "" : " dirty tail");
}

}  // namespace

extern "C" {

// Logs "beInitStream <configuration>".
BLADEENC_API uint32_t beInitStream(const BE_CONFIG* config, uint32_t* samplesPerChunk,
                                   uint32_t* outputBufferBytes, uint32_t* stream)
{
    record("beInitStream " + describe(*config));
    if (fails("beInitStream")) return kFailure;
    *samplesPerChunk = chunkSamples();
    placeholderPending = config->infoFrame == 1;
    *outputBufferBytes =
        std::max<uint32_t>(*samplesPerChunk * 2, sizeof kFlushBytes) + sizeof kPlaceholder;
    *stream = kHandle;
    return 0;
}

// Logs "beEncodeChunk <stream> <samples>".
BLADEENC_API uint32_t beEncodeChunk(uint32_t stream, uint32_t sampleCount, const int16_t* samples,
                                    uint8_t* output, uint32_t* outputBytes)
{
    record("beEncodeChunk " + std::to_string(stream) + " " + std::to_string(sampleCount));
    if (fails("beEncodeChunk")) return kFailure;
    std::memcpy(output, samples, sampleCount * sizeof(int16_t));
    *outputBytes = withPlaceholder(output, sampleCount * sizeof(int16_t));
    return 0;
}

// Logs "beDeinitStream <stream>".
BLADEENC_API uint32_t beDeinitStream(uint32_t stream, uint8_t* output, uint32_t* outputBytes)
{
    record("beDeinitStream " + std::to_string(stream));
    if (const char* directory = std::getenv("FAKE_BLADEENC_REMOVE")) {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    if (fails("beDeinitStream")) return kFailure;
    std::memcpy(output, kFlushBytes, std::strlen(kFlushBytes));
    *outputBytes = withPlaceholder(output, std::strlen(kFlushBytes));
    return 0;
}

// Logs "beCloseStream <stream>".
BLADEENC_API uint32_t beCloseStream(uint32_t stream)
{
    record("beCloseStream " + std::to_string(stream));
    return fails("beCloseStream") ? kFailure : 0;
}

#ifndef FAKE_BLADEENC_WITHOUT_VERSION
BLADEENC_API void beVersion(BE_VERSION* version)
{
    record("beVersion");
    std::memset(version, 0, sizeof *version);
}
#endif

#ifdef FAKE_BLADEENC_WITH_INFO_FRAME
// Logs "beInfoFrame <stream>".
BLADEENC_API uint32_t beInfoFrame(uint32_t stream, uint8_t* output, uint32_t* outputBytes)
{
    record("beInfoFrame " + std::to_string(stream));
    if (fails("beInfoFrame")) return kFailure;
    std::memcpy(output, kInfoFrame, sizeof kInfoFrame - 1);
    *outputBytes = sizeof kInfoFrame - 1;
    return 0;
}
#endif

}  // extern "C"
