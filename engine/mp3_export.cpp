// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3_export.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "bladeenc.h"
#include "brenvik.h"
#include "dynamic_library.h"
#include "mp3_quality.h"
#include "replacement_file.h"
#include "song_tags.h"

namespace brenvik {

namespace {

constexpr const char* kEncoderLibrary = "libbladeenc.so";
constexpr uint16_t kStandardBitrate = 192;
constexpr uint16_t kHighestBitrate = 320;
constexpr uint8_t kVbrQualityV2 = 2;

struct EncoderApi {
    decltype(&beInitStream) initStream;
    decltype(&beEncodeChunk) encodeChunk;
    decltype(&beDeinitStream) deinitStream;
    decltype(&beCloseStream) closeStream;
    decltype(&beVersion) version;
    decltype(&beInfoFrame) infoFrame;  // null in a library without it: no Info frame then
};

// Loads the encoder library anew; it is never unloaded, so the entry points stay valid.
std::optional<EncoderApi> loadEncoder()
{
    quorvel::DynamicLibrary library(kEncoderLibrary);
    EncoderApi api{};
    const bool complete = library.resolve("beInitStream", api.initStream) &&
                          library.resolve("beEncodeChunk", api.encodeChunk) &&
                          library.resolve("beDeinitStream", api.deinitStream) &&
                          library.resolve("beCloseStream", api.closeStream) &&
                          library.resolve("beVersion", api.version);
    library.resolve("beInfoFrame", api.infoFrame);
    return complete ? std::optional(api) : std::nullopt;
}

// The configuration's bitrate, or its variable bitrate and quality.
void setEncoderRate(BE_CONFIG& config, Mp3Quality quality)
{
    switch (quality) {
        case Mp3Quality::kCbr192: config.bitrate = kStandardBitrate; break;
        case Mp3Quality::kCbr320: config.bitrate = kHighestBitrate; break;
        case Mp3Quality::kVbrV2:
            config.vbr = 1;
            config.vbrQuality = kVbrQualityV2;
            break;
    }
}

BE_CONFIG mp3Config(Mp3Quality quality, bool infoFrame)
{
    BE_CONFIG config;
    std::memset(&config, 0, sizeof config);  // flags and the reserved tail
    config.kind = BE_KIND_MP3;
    config.sampleRate = kSampleRate;
    config.mode = BE_MODE_STEREO;
    setEncoderRate(config, quality);
    config.infoFrame = infoFrame ? 1 : 0;
    return config;
}

// Closes an open encoder stream on every way out of the export.
class EncoderStream {
public:
    EncoderStream(const EncoderApi& api, uint32_t handle)
        : api_(api),
          handle_(handle)
    {}
    EncoderStream(const EncoderStream&) = delete;
    EncoderStream& operator=(const EncoderStream&) = delete;
    ~EncoderStream() { api_.closeStream(handle_); }

    uint32_t handle() const { return handle_; }

private:
    const EncoderApi& api_;
    uint32_t handle_;
};

template <typename T>
std::unique_ptr<T[]> allocateBuffer(std::size_t count)
{
    try {
        return std::make_unique_for_overwrite<T[]>(count);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Feeds the frames to an open stream chunk by chunk, copying each chunk out of the track, then
// flushes the stream; every output goes to the file as it comes.
int32_t encodeFrames(const EncoderApi& api, uint32_t stream, std::span<const Frame> frames,
                     uint32_t samplesPerChunk, uint32_t outputBufferBytes, ReplacementFile& file)
{
    // An encoder that takes no samples per chunk would never get through the frames.
    if (samplesPerChunk == 0 && !frames.empty()) return BRENVIK_MP3_STREAM_ERROR;
    const auto output = allocateBuffer<uint8_t>(outputBufferBytes);
    if (!output) return BRENVIK_MP3_MEMORY_ERROR;
    const auto input = allocateBuffer<int16_t>(samplesPerChunk);
    if (!input) return BRENVIK_MP3_MEMORY_ERROR;

    const auto* track = reinterpret_cast<const uint8_t*>(frames.data());
    const std::size_t total = frames.size_bytes();
    const std::size_t chunkBytes = std::size_t{samplesPerChunk} * sizeof(int16_t);
    uint32_t produced = 0;
    for (std::size_t done = 0; done < total;) {
        const std::size_t chunk = std::min(chunkBytes, total - done);
        std::memcpy(input.get(), track + done, chunk);
        const auto samples = static_cast<uint32_t>(chunk / sizeof(int16_t));
        if (api.encodeChunk(stream, samples, input.get(), output.get(), &produced) != 0 ||
            produced > outputBufferBytes) {
            return BRENVIK_MP3_ENCODING_ERROR;
        }
        if (!file.append(output.get(), produced)) return BRENVIK_MP3_DISK_ERROR;
        done += chunk;
    }

    if (api.deinitStream(stream, output.get(), &produced) != 0 || produced > outputBufferBytes) {
        return BRENVIK_MP3_STREAM_ERROR;
    }
    if (!file.append(output.get(), produced)) return BRENVIK_MP3_DISK_ERROR;
    return BRENVIK_OK;
}

// Puts the stream's final Info frame over the placeholder its output began with, at offset.
int32_t writeInfoFrame(const EncoderApi& api, uint32_t stream, uint32_t outputBufferBytes,
                       std::size_t offset, ReplacementFile& file)
{
    const auto frame = allocateBuffer<uint8_t>(outputBufferBytes);
    if (!frame) return BRENVIK_MP3_MEMORY_ERROR;
    uint32_t produced = 0;
    if (api.infoFrame(stream, frame.get(), &produced) != 0 || produced > outputBufferBytes) {
        return BRENVIK_MP3_STREAM_ERROR;
    }
    if (!file.writeAt(offset, frame.get(), produced)) return BRENVIK_MP3_DISK_ERROR;
    return BRENVIK_OK;
}

}  // namespace

int32_t saveAsMp3(const char* path, std::span<const Frame> frames, const SaveSettings& settings,
                  std::atomic<int64_t>* progress)
{
    const std::optional<EncoderApi> api = loadEncoder();
    if (!api) return BRENVIK_MP3_NO_ENCODER;

    ReplacementFile file(path, progress);
    if (!file.isOpen()) return BRENVIK_MP3_DISK_ERROR;

    // The tag is rendered before any audio is encoded, so tagging adds no pass over the audio.
    const std::vector<uint8_t> tag = id3v2Tag(settings.details);
    if (!file.append(tag.data(), tag.size())) return BRENVIK_MP3_DISK_ERROR;

    const BE_CONFIG config = mp3Config(settings.mp3Quality, api->infoFrame != nullptr);
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferBytes = 0;
    uint32_t handle = 0;
    if (api->initStream(&config, &samplesPerChunk, &outputBufferBytes, &handle) != 0) {
        return BRENVIK_MP3_STREAM_ERROR;
    }
    int32_t result;
    {
        EncoderStream stream(*api, handle);
        result =
            encodeFrames(*api, stream.handle(), frames, samplesPerChunk, outputBufferBytes, file);
        if (result == BRENVIK_OK && api->infoFrame) {
            result = writeInfoFrame(*api, stream.handle(), outputBufferBytes, tag.size(), file);
        }
    }
    if (result != BRENVIK_OK) return result;
    if (!file.commit()) return BRENVIK_MP3_DISK_ERROR;
    return BRENVIK_OK;
}

}  // namespace brenvik
