// SPDX-License-Identifier: GPL-3.0-or-later
#include "wav_writer.h"

#include <cstring>

#include "replacement_file.h"
#include "song_tags.h"
#include "wav_chunks.h"

namespace brenvik {
namespace {

// Fills the 44-byte header field by field, in file order, least significant byte first.
class HeaderBuilder {
public:
    void id(const wav::ChunkId& id) { put(id.data(), id.size()); }
    void u16(uint16_t value) { putLittleEndian(value, 2); }
    void u32(uint32_t value) { putLittleEndian(value, 4); }
    const std::array<char, wav::kHeaderBytes>& bytes() const { return bytes_; }

private:
    void put(const char* data, size_t count)
    {
        std::memcpy(bytes_.data() + used_, data, count);
        used_ += count;
    }
    void putLittleEndian(uint32_t value, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            bytes_[used_++] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    }

    std::array<char, wav::kHeaderBytes> bytes_{};
    size_t used_ = 0;
};

// trailingBytes: the chunks after the audio, which the RIFF size covers as well.
std::array<char, wav::kHeaderBytes> waveHeader(uint32_t dataBytes, uint32_t trailingBytes)
{
    HeaderBuilder header;
    header.id(wav::kRiffId);
    header.u32(dataBytes + wav::kRiffSizeBeyondData + trailingBytes);
    header.id(wav::kWaveId);
    header.id(wav::kFmtId);
    header.u32(wav::kFmtChunkBytes);
    header.u16(wav::kPcmFormatTag);
    header.u16(kChannels);
    header.u32(kSampleRate);
    header.u32(kSampleRate * kBytesPerFrame);
    header.u16(kBytesPerFrame);
    header.u16(kBitsPerSample);
    header.id(wav::kDataId);
    header.u32(dataBytes);
    return header.bytes();
}

}  // namespace

int32_t saveAsWave(const char* path, std::span<const Frame> frames, const DiagnosticLog& log,
                   const SongDetails& details, std::atomic<int64_t>* progress,
                   TemporaryFile temporary)
{
    log.write("SaveBufToWave\n");
    ReplacementFile file(path, progress, temporary);
    if (!file.isOpen()) {
        return BRENVIK_SAVE_FAILED;
    }
    // The track already holds the file's data layout: it goes out as it lies, without a copy.
    // Whole frames leave the audio at an even size, so the details need no pad byte before them.
    const std::vector<uint8_t> info = wavInfoChunk(details);
    const auto header =
        waveHeader(static_cast<uint32_t>(frames.size_bytes()), static_cast<uint32_t>(info.size()));
    // The header goes in last, over zeros kept for it: a file cut short at any point before
    // (a save on a file system without unnamed files, killed) is no WAV file to any reader.
    const std::array<char, wav::kHeaderBytes> placeholder{};
    const bool saved = file.append(placeholder.data(), placeholder.size()) &&
                       file.append(frames.data(), frames.size_bytes()) &&
                       file.append(info.data(), info.size()) &&
                       file.writeAt(0, header.data(), header.size()) && file.commit();
    if (!saved) {
        return BRENVIK_SAVE_FAILED;
    }
    return BRENVIK_OK;
}

}  // namespace brenvik
