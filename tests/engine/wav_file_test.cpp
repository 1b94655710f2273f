// SPDX-License-Identifier: GPL-3.0-or-later
#include "wav_file.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "full_disk.h"
#include "temp_directory.h"
#include "wav_image.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

using namespace wav_image;

constexpr Frame kOldFrame{0x1111, 0x2222};

class WavFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_STATE_HOME", dir_.path().c_str(), 1);
        log_.setEnabled(true);
    }

    std::string path(const std::string& name) const { return dir_.file(name); }

    std::string writeFile(const std::string& bytes, const std::string& name = "in.wav") const
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string logText() const { return readText(path("pellam.log")); }

    int32_t load(const std::string& bytes)
    {
        return loadWave(writeFile(bytes).c_str(), track_, log_);
    }

    static bool isFrame(const Frame& f, int left, int right)
    {
        return f.left == left && f.right == right;
    }
    bool trackUntouched() const
    {
        return std::all_of(track_.begin(), track_.end(), [](const Frame& f) {
            return isFrame(f, kOldFrame.left, kOldFrame.right);
        });
    }
    bool framesZeroFrom(size_t first) const
    {
        return std::all_of(track_.begin() + static_cast<ptrdiff_t>(first), track_.end(),
                           [](const Frame& f) { return isFrame(f, 0, 0); });
    }
    bool framesLoaded(size_t count) const
    {
        for (size_t i = 0; i < count; ++i) {
            if (!isFrame(track_[i], 100 + static_cast<int>(i), -100 - static_cast<int>(i))) {
                return false;
            }
        }
        return true;
    }

    TempDirectory dir_;
    DiagnosticLog log_;
    std::vector<Frame> track_ = std::vector<Frame>(16, kOldFrame);
};

// A 16-frame track whose frame i is (100 + i, -100 - i).
std::vector<Frame> countingTrack()
{
    std::vector<Frame> track;
    for (int i = 0; i < 16; ++i) {
        track.push_back({static_cast<int16_t>(100 + i), static_cast<int16_t>(-100 - i)});
    }
    return track;
}

const std::string kHeaderForData32 = std::string(
    "RIFF\x44\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0"
    "\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0data\x20\0\0\0",
    44);

TEST_F(WavFileTest, SaveFramesTwoToNine_WritesKnownImage)
{
    const auto track = countingTrack();
    ASSERT_EQ(saveAsWave(path("out.wav").c_str(), std::span(track).subspan(2, 8), log_), 0);
    const std::string file = readText(path("out.wav"));
    ASSERT_EQ(file.size(), 76u);
    EXPECT_EQ(file.substr(0, 44), kHeaderForData32);
    EXPECT_EQ(file.substr(44), stereoFrames(10).substr(8));
    EXPECT_EQ(logText(), "SaveBufToWave\n");
}

TEST_F(WavFileTest, SaveEmptyRange_Writes44ByteHeader)
{
    ASSERT_EQ(saveAsWave(path("out.wav").c_str(), {}, log_), 0);
    std::string expected = kHeaderForData32;
    expected.replace(4, 4, le32(36));
    expected.replace(40, 4, le32(0));
    EXPECT_EQ(readText(path("out.wav")), expected);
}

TEST_F(WavFileTest, SaveThenLoad_GivesTheSameFrames)
{
    const auto saved = countingTrack();
    ASSERT_EQ(saveAsWave(path("out.wav").c_str(), saved, log_), 0);
    EXPECT_EQ(loadWave(path("out.wav").c_str(), track_, log_), 0);
    EXPECT_TRUE(framesLoaded(16));
}

TEST_F(WavFileTest, SaveWhereNoFileCanBeCreated_ReturnsMinusOne)
{
    const auto track = countingTrack();
    EXPECT_EQ(saveAsWave(path("missing/out.wav").c_str(), track, log_), BRENVIK_SAVE_FAILED);
}

TEST_F(WavFileTest, SaveNewFile_GetsMode0666LessTheUmask)
{
    const mode_t previous = umask(027);
    const int32_t result = saveAsWave(path("out.wav").c_str(), countingTrack(), log_);
    umask(previous);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(fs::status(path("out.wav")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(WavFileTest, SaveOverALongerFile_ReplacesItWhole)
{
    writeFile(std::string(10000, 'x'), "out.wav");
    const auto track = countingTrack();
    ASSERT_EQ(saveAsWave(path("out.wav").c_str(), std::span(track).first(2), log_), 0);
    EXPECT_EQ(readText(path("out.wav")).size(), 44u + 8u);
}

TEST_F(WavFileTest, SaveOnFullDisk_ReturnsMinusOneAndLeavesNoFile)
{
    const auto track = countingTrack();
    {
        const FullDiskAfter full(100);
        EXPECT_EQ(saveAsWave(path("out.wav").c_str(), track, log_), BRENVIK_SAVE_FAILED);
    }
    {
        const FullDiskAfter full(40);
        EXPECT_EQ(saveAsWave(path("header.wav").c_str(), {}, log_), BRENVIK_SAVE_FAILED);
    }
    EXPECT_EQ(dir_.names(), std::vector<std::string>{"pellam.log"});
}

TEST_F(WavFileTest, LoadShortStereoFile_LoadsFramesAndZeroesTheRest)
{
    EXPECT_EQ(load(wave(stereoFrames(10))), 0);
    EXPECT_TRUE(framesLoaded(10));
    EXPECT_TRUE(framesZeroFrom(10));
    EXPECT_EQ(logText(), "LoadWavToBuf\nWave loaded.\n");
}

TEST_F(WavFileTest, LoadFileLongerThanTrack_FillsTrackWithFirstFrames)
{
    EXPECT_EQ(load(wave(stereoFrames(40))), 0);
    EXPECT_TRUE(framesLoaded(16));
}

TEST_F(WavFileTest, LoadMonoFile_PutsEachSampleInBothChannels)
{
    EXPECT_EQ(load(riff(formatChunk(1, 1, 44100, 16) +
                        chunk("data", values({1, -2, 3, 4, 5, 6, 7, 8, 9, -10})))),
              BRENVIK_LOAD_NOT_STEREO);
    for (int i = 0; i < 10; ++i) {
        const int sample = i == 1 || i == 9 ? -(i + 1) : i + 1;
        EXPECT_TRUE(isFrame(track_[i], sample, sample)) << i;
    }
    EXPECT_TRUE(framesZeroFrom(10));
    EXPECT_EQ(logText(), "LoadWavToBuf\nConverting to stereo.\nWave loaded.\n");
}

TEST_F(WavFileTest, LoadMonoFileLongerThanTrack_WidensFirstTrackLengthSamples)
{
    std::vector<int16_t> samples;
    for (int16_t i = 0; i < 40; ++i) {
        samples.push_back(static_cast<int16_t>(i + 1));
    }
    EXPECT_EQ(load(riff(formatChunk(1, 1, 44100, 16) + chunk("data", values(samples)))),
              BRENVIK_LOAD_NOT_STEREO);
    EXPECT_TRUE(isFrame(track_[0], 1, 1));
    EXPECT_TRUE(isFrame(track_[15], 16, 16));
}

TEST_F(WavFileTest, LoadOtherRateOrChannels_FlagsItAndLoadsFramesUnchanged)
{
    EXPECT_EQ(load(wave(stereoFrames(10), 2, 22050)), BRENVIK_LOAD_OTHER_RATE);
    EXPECT_TRUE(framesLoaded(10));
    EXPECT_EQ(load(riff(formatChunk(1, 1, 22050, 16) + chunk("data", values({7})))),
              BRENVIK_LOAD_NOT_STEREO | BRENVIK_LOAD_OTHER_RATE);
    EXPECT_TRUE(isFrame(track_[0], 7, 7));
    // Four channels are taken as raw values, two per frame.
    EXPECT_EQ(load(riff(formatChunk(1, 4, 44100, 16) + chunk("data", stereoFrames(6)))),
              BRENVIK_LOAD_NOT_STEREO);
    EXPECT_TRUE(framesLoaded(6));
    EXPECT_TRUE(framesZeroFrom(6));
}

TEST_F(WavFileTest, LoadComparesOnlyLowBytesOfFormatFields)
{
    // Format tag 257 passes as PCM, 258 channels count as 2, 109636 Hz as 44100 Hz.
    EXPECT_EQ(load(riff(formatChunk(257, 258, 44100 + 65536, 16) + chunk("data", stereoFrames(4)))),
              0);
    EXPECT_TRUE(framesLoaded(4));
    // RIFX passes: only three bytes of the marker are compared.
    EXPECT_EQ(load(riff(formatChunk(1, 2, 44100, 16) + chunk("data", stereoFrames(4)), "RIFX")), 0);
    EXPECT_TRUE(framesLoaded(4));
}

TEST_F(WavFileTest, LoadSkipsOtherChunksExtensionsAndPadBytes)
{
    const std::string data = chunk("data", stereoFrames(5));
    const std::string pcm = formatChunk(1, 2, 44100, 16);
    for (const std::string& file : {
             riff(pcm + chunk("LIST", "abcd") + data),
             riff(pcm + chunk("odd ", "abc") + data),
             riff(formatChunk(1, 2, 44100, 16, le16(0)) + data),
             riff(formatChunk(1, 2, 44100, 16, "x") + data),
             // A size with the top bit set skips nothing: the data chunk follows at once.
             riff(pcm + "junk" + le32(0x80000000u) + data),
             // An odd one still skips its pad byte, the format chunk's too.
             riff("fmt " + le32(0x80000011u) + pcm.substr(8) + "\x7F" + data),
         }) {
        track_.assign(16, kOldFrame);
        EXPECT_EQ(load(file), 0);
        EXPECT_TRUE(framesLoaded(5));
        EXPECT_TRUE(framesZeroFrom(5));
    }
}

// A save killed part way: the file system's size limit kills the child that saves, as a kill
// -9 would, at a known point of the file.
void saveUntilKilled(const std::string& target, TemporaryFile temporary)
{
    constexpr rlim_t kKilledAfterBytes = 1 << 20;
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{kKilledAfterBytes, kKilledAfterBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL);
        const std::vector<Frame> track(1 << 20, kOldFrame);
        saveAsWave(target.c_str(), track, DiagnosticLog(), {}, nullptr, temporary);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save was not cut short";
}

// Killed saves leave nothing (a file without a name goes with its process), or, on a file
// system that refuses such files, a hidden fragment that reads as no WAV file and that the
// next save into the folder removes.
TEST(KilledSave, LeavesNoFileThatReadsAsAudio_AndTheNextSaveClearsTheFolder)
{
    struct Case {
        const char* name;
        TemporaryFile temporary;
        size_t leftBehind;
    };
    const Case cases[] = {
        {"unnamed", TemporaryFile::kUnnamedWherePossible, 0},
        {"named", TemporaryFile::kNamed, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDirectory folder;
        const DiagnosticLog quiet;
        // Each save clears what the one before left: three kills leave one fragment at most.
        // The file system's clock moves on coarsely: each save begins after its tick.
        for (int kill = 0; kill < 3; ++kill) {
            ::usleep(20000);
            ASSERT_NO_FATAL_FAILURE(saveUntilKilled(folder.file("song.wav"), c.temporary));
        }
        const std::vector<std::string> left = folder.names();
        EXPECT_EQ(left.size(), c.leftBehind);
        for (const std::string& name : left) {
            EXPECT_EQ(name.rfind(".song.wav.", 0), 0u) << name;
            EXPECT_EQ(waveFrames(folder.file(name).c_str(), quiet), -BRENVIK_LOAD_NO_RIFF) << name;
        }
    }
}

TEST_F(WavFileTest, LoadTruncatedData_ZeroesFromTheEndOfWhatWasRead)
{
    const std::string header = riff(formatChunk(1, 2, 44100, 16)) + "data" + le32(40);
    EXPECT_EQ(load(header + stereoFrames(6)), 0);
    EXPECT_TRUE(framesLoaded(6));
    EXPECT_TRUE(framesZeroFrom(6));

    // A half value at the end is dropped with the rest of its frame's silence.
    track_.assign(16, kOldFrame);
    EXPECT_EQ(load(header + stereoFrames(6) + "\x55\x55\x55"), 0);
    EXPECT_TRUE(framesLoaded(6));
    EXPECT_TRUE(isFrame(track_[6], 0x5555, 0));
    EXPECT_TRUE(framesZeroFrom(7));

    track_.assign(16, kOldFrame);
    const std::string mono = riff(formatChunk(1, 1, 44100, 16)) + "data" + le32(20);
    EXPECT_EQ(load(mono + values({4, 5, 6}) + "\x01"), BRENVIK_LOAD_NOT_STEREO);
    EXPECT_TRUE(isFrame(track_[2], 6, 6));
    EXPECT_TRUE(framesZeroFrom(3));
}

// Zero bytes at a chunk boundary read as empty chunks with a zero id, eight bytes each; four
// more zeros make "data" the size of a chunk that runs past the end.
TEST_F(WavFileTest, LoadZeroBytesBeforeTheData_SkipsThemAsEmptyChunks)
{
    const std::string pcm = formatChunk(1, 2, 44100, 16);
    const std::string data = chunk("data", stereoFrames(5));
    for (const size_t zeros : {8u, 16u, 65536u, 65544u, 200000u}) {
        track_.assign(16, kOldFrame);
        EXPECT_EQ(load(riff(pcm + std::string(zeros, '\0') + data)), 0) << zeros;
        EXPECT_TRUE(framesLoaded(5)) << zeros;
    }
    for (const size_t zeros : {4u, 12u, 65540u}) {
        track_.assign(16, kOldFrame);
        EXPECT_EQ(load(riff(pcm + std::string(zeros, '\0') + data)), BRENVIK_LOAD_NO_DATA) << zeros;
        EXPECT_TRUE(trackUntouched()) << zeros;
    }
}

// What the process has read from files so far, in bytes.
uint64_t bytesRead()
{
    std::ifstream io("/proc/self/io");
    for (std::string field; io >> field;) {
        uint64_t value = 0;
        io >> value;
        if (field == "rchar:") {
            return value;
        }
    }
    return 0;
}

// A 5 GB file that takes no room: a header, then holes and what `place` writes at given offsets.
class SparseWaveTest : public WavFileTest {
protected:
    static constexpr off_t kFileBytes = off_t{5} << 30;
    static constexpr off_t kWalkStart = 36;  // where the chunk after the format chunk begins

    std::string sparseFile(const std::vector<std::pair<off_t, std::string>>& pieces)
    {
        const std::string file = writeFile(riff(formatChunk(1, 2, 44100, 16)));
        std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
        for (const auto& [offset, bytes] : pieces) {
            out.seekp(offset);
            out << bytes;
        }
        out.close();
        fs::resize_file(file, kFileBytes);
        return file;
    }

    // Loads the file and says how much of it was read.
    uint64_t loadCounting(const std::string& file, int32_t& result)
    {
        const uint64_t before = bytesRead();
        result = loadWave(file.c_str(), track_, log_);
        return bytesRead() - before;
    }
};

TEST_F(SparseWaveTest, FiveGigabytesOfZerosWithoutData_Returns16WithoutReadingThem)
{
    int32_t result = 0;
    EXPECT_LT(loadCounting(sparseFile({}), result), 1u << 20);
    EXPECT_EQ(result, BRENVIK_LOAD_NO_DATA);
    EXPECT_TRUE(trackUntouched());
}

TEST_F(SparseWaveTest, FiveGigabytesOfLargeChunksWithoutData_Returns16WithoutReadingThem)
{
    std::vector<std::pair<off_t, std::string>> chunks;
    for (off_t at = kWalkStart; at < kFileBytes; at += off_t{8} + 0x7FFFFFFE) {
        chunks.emplace_back(at, "junk" + le32(0x7FFFFFFE));
    }
    int32_t result = 0;
    EXPECT_LT(loadCounting(sparseFile(chunks), result), 1u << 20);
    EXPECT_EQ(result, BRENVIK_LOAD_NO_DATA);
}

TEST_F(SparseWaveTest, DataChunkAfterFiveGigabytesOfZeros_Loads)
{
    // The zeros before "data" are whole eight-byte empty chunks.
    const off_t dataAt = kWalkStart + (kFileBytes - 4096) / 8 * 8;
    int32_t result = -1;
    EXPECT_LT(loadCounting(sparseFile({{dataAt, chunk("data", stereoFrames(5))}}), result),
              1u << 20);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(framesLoaded(5));
    EXPECT_TRUE(framesZeroFrom(5));
}

// What WaveFrames tells: the frames a track long enough would take, or the negated rejection;
// and WaveSampleBits, from the same header: the sample size, also of a file refused for it.
TEST_F(WavFileTest, WaveFrames_CountsTheFramesLoadWaveWouldReadOrNegatesItsRejection)
{
    struct Case {
        const char* name;
        std::string bytes;
        int32_t frames;
        int32_t bits;
    };
    const Case cases[] = {
        {"stereo", wave(stereoFrames(40)), 40, 16},
        {"mono", riff(formatChunk(1, 1, 44100, 16) + chunk("data", values({1, 2, 3, 4, 5}))), 5,
         16},
        {"odd byte", riff(formatChunk(1, 2, 44100, 16) + chunk("data", stereoFrames(3) + "x")), 3,
         16},
        {"data cut short",
         riff(formatChunk(1, 2, 44100, 16)) + "data" + le32(4000) + stereoFrames(2), 2, 16},
        {"not RIFF", "RIXF" + wave(stereoFrames(2)).substr(4), -BRENVIK_LOAD_NO_RIFF,
         -BRENVIK_LOAD_NO_RIFF},
        {"24-bit", riff(formatChunk(1, 2, 44100, 24) + chunk("data", stereoFrames(2))),
         -BRENVIK_LOAD_NOT_16_BIT, 24},
        {"float", riff(formatChunk(3, 2, 44100, 32) + chunk("data", stereoFrames(2))),
         -BRENVIK_LOAD_NOT_PCM, -BRENVIK_LOAD_NOT_PCM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = writeFile(c.bytes);
        EXPECT_EQ(waveFrames(file.c_str(), log_), c.frames);
        EXPECT_EQ(waveSampleBits(file.c_str(), log_), c.bits);
    }
    EXPECT_EQ(waveFrames(path("missing.wav").c_str(), log_), -BRENVIK_LOAD_CANNOT_OPEN);
}

TEST_F(WavFileTest, LoadMissingFile_Returns15AndLeavesTrack)
{
    EXPECT_EQ(loadWave(path("missing.wav").c_str(), track_, log_), BRENVIK_LOAD_CANNOT_OPEN);
    EXPECT_TRUE(trackUntouched());
    EXPECT_EQ(logText(), "LoadWavToBuf\n");
}

TEST_F(WavFileTest, LoadReadOnlyFile_Loads)
{
    const std::string file = writeFile(wave(stereoFrames(3)));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(loadWave(file.c_str(), track_, log_), 0);
    EXPECT_TRUE(framesLoaded(3));
}

struct BrokenFile {
    const char* name;
    std::string bytes;
    int32_t result;
    const char* logTail;
};

class WavRejectionTest : public WavFileTest, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(WavRejectionTest, LoadRejectsAndLeavesTrack)
{
    EXPECT_EQ(load(GetParam().bytes), GetParam().result);
    EXPECT_TRUE(trackUntouched());
    EXPECT_EQ(logText(), std::string("LoadWavToBuf\n") + GetParam().logTail);
}

const std::string kPcm = formatChunk(1, 2, 44100, 16);
const std::string kData = chunk("data", stereoFrames(2));

INSTANTIATE_TEST_SUITE_P(
    BrokenHeaders, WavRejectionTest,
    ::testing::Values(
        BrokenFile{"EmptyFile", "", BRENVIK_LOAD_NO_RIFF, "No Riff.\n"},
        BrokenFile{"NotRiff", "RIXF" + riff(kPcm + kData).substr(4), BRENVIK_LOAD_NO_RIFF,
                   "No Riff.\n"},
        BrokenFile{"NotWave", "RIFF" + le32(4) + "AVI " + kPcm + kData, BRENVIK_LOAD_NO_WAVE,
                   "No Wave.\n"},
        BrokenFile{"DataBeforeFormat", riff(kData + kPcm), BRENVIK_LOAD_NO_FMT, "No fmt_.\n"},
        // The file ends after "WAVE": the read buffer still holds "WAVE" when fmt is checked.
        BrokenFile{"EndsAfterFormType", riff(""), BRENVIK_LOAD_NO_FMT, "No fmt_.\n"},
        BrokenFile{"Float", riff(formatChunk(3, 2, 44100, 32) + kData), BRENVIK_LOAD_NOT_PCM,
                   "Not PCM.\n"},
        BrokenFile{"EightBit", riff(formatChunk(1, 2, 44100, 8) + kData), BRENVIK_LOAD_NOT_16_BIT,
                   ""},
        BrokenFile{"NoDataChunk", riff(kPcm + chunk("LIST", "abcd")), BRENVIK_LOAD_NO_DATA, ""},
        BrokenFile{"ChunkRunsPastEnd", riff(kPcm + "LIST" + le32(1000) + kData),
                   BRENVIK_LOAD_NO_DATA, ""},
        BrokenFile{"EndsInChunkId", riff(kPcm + "da"), BRENVIK_LOAD_NO_DATA, ""}),
    [](const ::testing::TestParamInfo<BrokenFile>& info) { return info.param.name; });

}  // namespace
}  // namespace brenvik
