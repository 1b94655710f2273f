// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "wav_chunks.h"
#include "wav_file.h"
#include "wav_reader.h"

namespace brenvik {
namespace {

// The header checks compare only the first three bytes of the RIFF, WAVE and fmt markers.
constexpr size_t kComparedMarkerBytes = 3;
constexpr uint8_t kMonoChannels = 1;

// The offset of the first byte that is not zero at or after `from` in the regular file fd, or
// its end. Holes are found with SEEK_DATA, not read; the descriptor's offset is put back, as
// the stdio stream over it relies on it.
off_t endOfZeros(int fd, off_t from)
{
    const off_t streamOffset = ::lseek(fd, 0, SEEK_CUR);
    std::array<unsigned char, 65536> block;
    off_t end = from;
    while (true) {
        const off_t data = ::lseek(fd, end, SEEK_DATA);
        struct stat status {};
        if (data < 0 && errno == ENXIO && ::fstat(fd, &status) == 0) {
            end = std::max(end, status.st_size);  // a hole runs to the end of the file
            break;
        }
        end = std::max(end, data);
        const ssize_t got = ::pread(fd, block.data(), block.size(), end);
        if (got <= 0) {
            break;
        }
        const auto filled = block.begin() + got;
        const auto nonZero = std::find_if(block.begin(), filled, [](auto b) { return b != 0; });
        end += nonZero - block.begin();
        if (nonZero != filled) {
            break;
        }
    }
    ::lseek(fd, streamOffset, SEEK_SET);
    return end;
}

// The reader's one 4-byte buffer over a buffered stdio file. A read that meets the end of the
// file leaves the bytes it could not fill as they were, and the checks that follow see those.
class WordReader {
public:
    explicit WordReader(std::FILE* file)
        : file_(file)
    {}

    // False when the file ended before all four bytes.
    bool read() { return std::fread(word_.data(), 1, word_.size(), file_) == word_.size(); }

    bool startsWith(const wav::ChunkId& id, size_t count) const
    {
        return std::equal(id.begin(), id.begin() + count, word_.begin());
    }
    uint8_t byte(size_t index) const { return static_cast<uint8_t>(word_[index]); }
    uint16_t low16() const { return static_cast<uint16_t>(byte(0) | byte(1) << 8); }
    uint16_t high16() const { return static_cast<uint16_t>(byte(2) | byte(3) << 8); }
    uint32_t u32() const { return low16() | static_cast<uint32_t>(high16()) << 16; }
    int32_t s32() const { return static_cast<int32_t>(u32()); }

    // Moves on by count bytes. The file is a regular one, so the seek cannot fail; past its end
    // every read that follows finds nothing, as it would after reading up to the end.
    void skip(uint64_t count) { ::fseeko(file_, static_cast<off_t>(count), SEEK_CUR); }

    // Passes over the whole eight-byte groups of zero bytes that come next. Each group would be
    // read as an empty chunk with a zero id, which the chunk walk steps over anyway; the holes
    // of a sparse file are passed without reading them.
    void skipZeroGroups()
    {
        constexpr off_t kGroupBytes = 8;
        const off_t start = ::ftello(file_);
        const off_t groups = (endOfZeros(::fileno(file_), start) - start) / kGroupBytes;
        if (groups > 0) {
            ::fseeko(file_, start + groups * kGroupBytes, SEEK_SET);
        }
    }
    // The bytes from here to the end of the file.
    uint64_t bytesLeft() const
    {
        struct stat status {};
        const off_t offset = ::ftello(file_);
        const bool known = offset >= 0 && ::fstat(::fileno(file_), &status) == 0;
        return known && status.st_size > offset ? static_cast<uint64_t>(status.st_size - offset)
                                                : 0;
    }

private:
    std::FILE* file_;
    std::array<char, 4> word_{};
};

// Skips what is left of a chunk whose first `consumed` bytes were read, and its pad byte when
// its size is odd. A size with the top bit set leaves nothing to skip but that pad byte.
void skipChunkRest(WordReader& reader, int32_t size, uint32_t consumed)
{
    const auto bytes = static_cast<uint32_t>(size);
    const uint32_t rest = size > 0 && bytes > consumed ? bytes - consumed : 0;
    reader.skip(uint64_t{rest} + (bytes & 1));
}

// "RIFF", the RIFF size, "WAVE" and "fmt ": 0, or the code that rejects the file.
int32_t checkRiffHeader(WordReader& reader, const DiagnosticLog& log)
{
    reader.read();
    if (!reader.startsWith(wav::kRiffId, kComparedMarkerBytes)) {
        log.write("No Riff.\n");
        return BRENVIK_LOAD_NO_RIFF;
    }
    reader.read();  // RIFF size
    reader.read();
    if (!reader.startsWith(wav::kWaveId, kComparedMarkerBytes)) {
        log.write("No Wave.\n");
        return BRENVIK_LOAD_NO_WAVE;
    }
    reader.read();
    if (!reader.startsWith(wav::kFmtId, kComparedMarkerBytes)) {
        log.write("No fmt_.\n");
        return BRENVIK_LOAD_NO_FMT;
    }
    return 0;
}

// The format chunk that must follow the form type directly. Only the low bytes of the format
// tag and of the bits per sample are compared.
int32_t readFormat(WordReader& reader, const DiagnosticLog& log, WaveFormat& format)
{
    reader.read();
    const int32_t chunkSize = reader.s32();
    reader.read();
    format.formatTag = reader.low16();
    format.channels = reader.high16();
    if (static_cast<uint8_t>(format.formatTag) != wav::kPcmFormatTag) {
        log.write("Not PCM.\n");
        return BRENVIK_LOAD_NOT_PCM;
    }
    reader.read();
    format.sampleRate = reader.u32();
    reader.read();  // byte rate
    reader.read();  // block align, bits per sample
    format.bitsPerSample = reader.high16();
    if (static_cast<uint8_t>(format.bitsPerSample) != kBitsPerSample) {
        return BRENVIK_LOAD_NOT_16_BIT;
    }
    skipChunkRest(reader, chunkSize, wav::kFmtChunkBytes);
    return 0;
}

// Walks the chunks up to "data" (all four bytes compared); false when the file ends first.
bool findDataChunk(WordReader& reader)
{
    while (reader.read()) {
        if (reader.startsWith(wav::kDataId, wav::kDataId.size())) {
            return true;
        }
        const bool zeroId = reader.u32() == 0;
        reader.read();
        const int32_t size = reader.s32();
        skipChunkRest(reader, size, 0);
        if (zeroId && size == 0) {
            reader.skipZeroGroups();  // a run of zeros: more empty chunks like this one
        }
    }
    return false;
}

// Turns `samples` mono values at the start of the track into frames with the value in both
// channels, from the last to the first so that no value is overwritten before it is used.
void widenMono(std::span<Frame> track, size_t samples)
{
    const auto* values = reinterpret_cast<const std::byte*>(track.data());
    for (size_t i = samples; i-- > 0;) {
        int16_t value;
        std::memcpy(&value, values + i * sizeof(int16_t), sizeof value);
        track[i] = Frame{value, value};
    }
}

// The load flags of a format: only the low byte of the channel count and the low 16 bits of
// the sample rate are compared.
int32_t loadFlags(const WaveFormat& format)
{
    const bool stereo = static_cast<uint8_t>(format.channels) == kChannels;
    const bool engineRate = static_cast<uint16_t>(format.sampleRate) == kSampleRate;
    return (stereo ? 0 : BRENVIK_LOAD_NOT_STEREO) | (engineRate ? 0 : BRENVIK_LOAD_OTHER_RATE);
}

// Reads the file's audio into the track from frame 0; returns the bytes of audio now stored
// there, whole 16-bit values only.
size_t readSamples(WaveReader& reader, std::span<Frame> track, bool mono, const DiagnosticLog& log)
{
    const size_t room = mono ? track.size_bytes() / 2 : track.size_bytes();
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(reader.audioBytes(), room));
    const size_t arrived = reader.readAudio(std::as_writable_bytes(track).first(wanted));
    const size_t values = arrived / sizeof(int16_t);
    if (!mono) {
        return values * sizeof(int16_t);
    }
    log.write("Converting to stereo.\n");
    widenMono(track, values);
    return values * sizeof(Frame);
}

}  // namespace

int32_t WaveReader::open(const char* path, const DiagnosticLog& log)
{
    file_ = openRegularStream(path);
    if (!file_) {
        return BRENVIK_LOAD_CANNOT_OPEN;
    }
    WordReader reader(file_.get());
    if (const int32_t rejection = checkRiffHeader(reader, log); rejection != 0) {
        return rejection;
    }
    if (const int32_t rejection = readFormat(reader, log, format_); rejection != 0) {
        return rejection;
    }
    // A data chunk whose size field the file cuts short holds no audio.
    if (!findDataChunk(reader) || !reader.read()) {
        return BRENVIK_LOAD_NO_DATA;
    }
    audioBytes_ = std::min<uint64_t>(reader.u32(), reader.bytesLeft());
    return 0;
}

size_t WaveReader::readAudio(std::span<std::byte> bytes)
{
    return bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file_.get());
}

int32_t loadWave(const char* path, std::span<Frame> track, const DiagnosticLog& log)
{
    log.write("LoadWavToBuf\n");
    WaveReader reader;
    // Nothing of the track is touched before the file is known to hold audio.
    if (const int32_t rejection = reader.open(path, log); rejection != 0) {
        return rejection;
    }
    const bool mono = static_cast<uint8_t>(reader.format().channels) == kMonoChannels;
    const size_t stored = readSamples(reader, track, mono, log);
    std::ranges::fill(std::as_writable_bytes(track).subspan(stored), std::byte{0});
    log.write("Wave loaded.\n");
    return loadFlags(reader.format());
}

int32_t waveFrames(const char* path, const DiagnosticLog& log)
{
    WaveReader reader;
    if (const int32_t rejection = reader.open(path, log); rejection != 0) {
        return -rejection;
    }
    const bool mono = static_cast<uint8_t>(reader.format().channels) == kMonoChannels;
    const uint64_t frames = reader.audioBytes() / (mono ? sizeof(int16_t) : sizeof(Frame));
    return static_cast<int32_t>(std::min<uint64_t>(frames, INT32_MAX));
}

int32_t waveSampleBits(const char* path, const DiagnosticLog& log)
{
    WaveReader reader;
    const int32_t rejection = reader.open(path, log);
    if (rejection != 0 && rejection != BRENVIK_LOAD_NOT_16_BIT) {
        return -rejection;
    }
    return reader.format().bitsPerSample;
}

}  // namespace brenvik
