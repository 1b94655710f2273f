#include "sim_source.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>

#include "wave_device.h"

namespace brenvik::device {

namespace {

struct ChunkHeader {
    char id[4];
    uint32_t size;
};

bool readChunkHeader(std::istream& in, ChunkHeader& chunk)
{
    return static_cast<bool>(in.read(reinterpret_cast<char*>(&chunk), sizeof chunk));
}

bool hasId(const ChunkHeader& chunk, const char* id)
{
    return std::memcmp(chunk.id, id, 4) == 0;
}

bool isEngineFormat(std::istream& in, uint32_t size)
{
    struct {
        uint16_t formatTag, channels;
        uint32_t sampleRate, byteRate;
        uint16_t blockAlign, bitsPerSample;
    } format{};
    static_assert(sizeof format == 16);
    if (size < sizeof format || !in.read(reinterpret_cast<char*>(&format), sizeof format)) {
        return false;
    }
    in.ignore(size - sizeof format + (size & 1));
    return format.formatTag == 1 && format.channels == kChannels &&
           format.sampleRate == kSampleRate && format.bitsPerSample == kBitsPerSample;
}

// The data chunk's frames once a fitting format chunk came before it. Its header may declare
// any size, so no more than the file's own size in bytes is set aside for them.
std::optional<std::vector<Frame>> readFrames(std::istream& in, std::uintmax_t fileBytes)
{
    ChunkHeader riff{};
    char form[4];
    if (!readChunkHeader(in, riff) || !hasId(riff, "RIFF") || !in.read(form, 4) ||
        std::memcmp(form, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    bool formatSeen = false;
    ChunkHeader chunk{};
    while (readChunkHeader(in, chunk)) {
        if (hasId(chunk, "fmt ")) {
            if (!isEngineFormat(in, chunk.size)) {
                return std::nullopt;
            }
            formatSeen = true;
        } else if (hasId(chunk, "data")) {
            if (!formatSeen) {
                return std::nullopt;
            }
            std::vector<Frame> frames(std::min<std::uintmax_t>(chunk.size, fileBytes) /
                                      sizeof(Frame));
            in.read(reinterpret_cast<char*>(frames.data()),
                    static_cast<std::streamsize>(frames.size() * sizeof(Frame)));
            frames.resize(static_cast<std::size_t>(in.gcount()) / sizeof(Frame));
            return frames;
        } else {
            in.ignore(static_cast<std::streamsize>(chunk.size) + (chunk.size & 1));
        }
    }
    return std::nullopt;
}

}  // namespace

int32_t SimSource::loadWave(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t fileBytes = std::filesystem::file_size(path, error);
    if (error) {
        return kBadFormat;
    }
    std::ifstream in(path, std::ios::binary);
    std::optional<std::vector<Frame>> frames;
    try {
        frames = readFrames(in, fileBytes);
    } catch (const std::bad_alloc&) {
        return kBadFormat;  // a file too large to hold is as unusable as a broken one
    }
    if (!frames || frames->empty()) {
        return kBadFormat;
    }
    loop_ = std::move(*frames);
    return kNoError;
}

void SimSource::render(uint32_t first, std::span<Frame> out) const
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const uint32_t n = first + static_cast<uint32_t>(i);
        out[i] = loop_.empty()
                     ? Frame{static_cast<int16_t>(n & 0xFFFF), static_cast<int16_t>(n >> 16)}
                     : loop_[n % loop_.size()];
    }
}

}  // namespace brenvik::device
