// SPDX-License-Identifier: GPL-3.0-or-later
// SaveAsMp3 through the engine library, with the recording fake encoder beside the engine copy;
// and failed saves of both formats, which must leave the file they would replace as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "fake_encoder_session.h"
#include "full_disk.h"
#include "temp_directory.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kInit = "beInitStream kind 0 rate 44100 mode 0 bitrate 192 flags 0000";

std::size_t openDescriptorCount()
{
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
}

class Mp3ExportWithFakeEncoder : public FakeEncoderSession {};

TEST_F(Mp3ExportWithFakeEncoder, TwoAndAHalfChunks_EncodesTwoFullChunksAndAHalfThenFlushesAndCloses)
{
    // 1250 frames are 2500 samples: two chunks of 1000 and one of 500.
    ASSERT_EQ(engine.saveAsMp3(100, 1350, mp3Path.c_str()), 0);

    EXPECT_THAT(calls(),
                ElementsAre(kInit, "beEncodeChunk 42 1000", "beEncodeChunk 42 1000",
                            "beEncodeChunk 42 500", "beDeinitStream 42", "beCloseStream 42"));
}

TEST_F(Mp3ExportWithFakeEncoder, File_IsTheEncoderOutputsInOrderThenTheFlush)
{
    {
        std::ofstream old(mp3Path, std::ios::binary);
        old << std::string(20000, 'x');  // longer than the export: it must be replaced whole
    }
    ASSERT_EQ(engine.saveAsMp3(7, 1257, mp3Path.c_str()), 0);

    EXPECT_EQ(readBytes(mp3Path), withFlush(patternBytes(7, 1257)));
}

TEST_F(Mp3ExportWithFakeEncoder, NewFile_GetsMode0666LessTheUmaskAsAWaveFileDoes)
{
    const mode_t previous = umask(027);
    const int32_t result = engine.saveAsMp3(0, 10, mp3Path.c_str());
    umask(previous);
    ASSERT_EQ(result, 0);

    struct stat info {};
    ASSERT_EQ(stat(mp3Path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(Mp3ExportWithFakeEncoder, EmptyRange_OnlyOpensFlushesAndClosesTheStream)
{
    ASSERT_EQ(engine.saveAsMp3(500, 500, mp3Path.c_str()), 0);

    EXPECT_THAT(calls(), ElementsAre(kInit, "beDeinitStream 42", "beCloseStream 42"));
    EXPECT_EQ(readBytes(mp3Path), withFlush({}));
}

TEST_F(Mp3ExportWithFakeEncoder, OutputInMissingDirectory_FailsWithDiskErrorBeforeTheEncoderIsUsed)
{
    const std::string path = dir.file("missing/out.mp3");

    EXPECT_EQ(engine.saveAsMp3(0, 100, path.c_str()), BRENVIK_MP3_DISK_ERROR);

    EXPECT_THAT(calls(), IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Mp3ExportWithFakeEncoder, FailedWrite_FailsWithDiskErrorAndClosesTheStream)
{
    const std::size_t descriptors = openDescriptorCount();
    int32_t result;
    {
        // The first chunk's 2000 bytes do not fit.
        const FullDiskAfter full(1000);
        result = engine.saveAsMp3(0, 1250, mp3Path.c_str());
    }
    EXPECT_EQ(result, BRENVIK_MP3_DISK_ERROR);

    EXPECT_THAT(calls(), ElementsAre(kInit, "beEncodeChunk 42 1000", "beCloseStream 42"));
    EXPECT_EQ(openDescriptorCount(), descriptors);
    EXPECT_THAT(dir.names(), ElementsAre("calls.log"));  // no partly written file stays
}

TEST_F(Mp3ExportWithFakeEncoder, ChunkSizeOfZero_FailsWithStreamErrorInsteadOfLoopingForever)
{
    setenv("FAKE_BLADEENC_CHUNK", "0", 1);

    EXPECT_EQ(engine.saveAsMp3(0, 100, mp3Path.c_str()), BRENVIK_MP3_STREAM_ERROR);

    EXPECT_THAT(calls(), ElementsAre(kInit, "beCloseStream 42"));
}

struct EncoderFailure {
    const char* entryPoint;
    int32_t result;
    std::vector<std::string> calls;
};

void PrintTo(const EncoderFailure& failure, std::ostream* os)
{
    *os << failure.entryPoint << " fails";
}

class Mp3ExportEncoderFailure : public Mp3ExportWithFakeEncoder,
                                public ::testing::WithParamInterface<EncoderFailure> {};

TEST_P(Mp3ExportEncoderFailure, GivesItsCodeAndReleasesTheStreamAndTheFile)
{
    setenv("FAKE_BLADEENC_FAIL", GetParam().entryPoint, 1);
    const std::size_t descriptors = openDescriptorCount();

    EXPECT_EQ(engine.saveAsMp3(100, 1350, mp3Path.c_str()), GetParam().result);

    EXPECT_EQ(calls(), GetParam().calls);
    EXPECT_EQ(openDescriptorCount(), descriptors);
    EXPECT_THAT(dir.names(), ElementsAre("calls.log"));  // no partly written file stays
}

INSTANTIATE_TEST_SUITE_P(
    EachEntryPoint, Mp3ExportEncoderFailure,
    ::testing::Values(EncoderFailure{"beInitStream", BRENVIK_MP3_STREAM_ERROR, {kInit}},
                      EncoderFailure{"beEncodeChunk",
                                     BRENVIK_MP3_ENCODING_ERROR,
                                     {kInit, "beEncodeChunk 42 1000", "beCloseStream 42"}},
                      EncoderFailure{
                          "beDeinitStream",
                          BRENVIK_MP3_STREAM_ERROR,
                          {kInit, "beEncodeChunk 42 1000", "beEncodeChunk 42 1000",
                           "beEncodeChunk 42 500", "beDeinitStream 42", "beCloseStream 42"}}),
    [](const auto& info) { return std::string(info.param.entryPoint); });

// A save while something goes wrong in the directory it writes to.
enum class Fault { kFullDisk, kEncoderFails, kDirectoryRemoved };

struct FailedSave {
    const char* name;
    decltype(&SaveAsMp3) EngineLibrary::*save;
    Fault fault;
    int32_t result;
};

void PrintTo(const FailedSave& failure, std::ostream* os)
{
    *os << failure.name;
}

class FailedSaveTest : public Mp3ExportWithFakeEncoder,
                       public ::testing::WithParamInterface<FailedSave> {};

TEST_P(FailedSaveTest, LeavesTheOldFileByteForByteAndNoTemporaryFile)
{
    const std::string music = dir.file("music");
    const std::string song = music + "/song";
    std::filesystem::create_directory(music);
    const std::string old = patternBytes(3000, 4000) + "FLUSH";
    std::ofstream(song, std::ios::binary) << old;

    const Fault fault = GetParam().fault;
    if (fault == Fault::kEncoderFails) setenv("FAKE_BLADEENC_FAIL", "beEncodeChunk", 1);
    if (fault == Fault::kDirectoryRemoved) setenv("FAKE_BLADEENC_REMOVE", music.c_str(), 1);
    {
        std::optional<FullDiskAfter> full;
        if (fault == Fault::kFullDisk) full.emplace(1000);  // the track's 16 KB do not fit
        EXPECT_EQ((engine.*GetParam().save)(0, kTrackFrames, song.c_str()), GetParam().result);
    }
    unsetenv("FAKE_BLADEENC_REMOVE");

    if (fault == Fault::kDirectoryRemoved) {
        EXPECT_FALSE(std::filesystem::exists(music));  // nothing was put back in its place
    } else {
        EXPECT_EQ(readText(song), old);
        EXPECT_THAT(TempDirectory::namesIn(music), ElementsAre("song"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothFormats, FailedSaveTest,
    ::testing::Values(FailedSave{"WaveOnFullDisk", &EngineLibrary::saveAsWave, Fault::kFullDisk,
                                 BRENVIK_SAVE_FAILED},
                      FailedSave{"Mp3OnFullDisk", &EngineLibrary::saveAsMp3, Fault::kFullDisk,
                                 BRENVIK_MP3_DISK_ERROR},
                      FailedSave{"Mp3WhoseEncoderFails", &EngineLibrary::saveAsMp3,
                                 Fault::kEncoderFails, BRENVIK_MP3_ENCODING_ERROR},
                      FailedSave{"Mp3IntoADirectoryRemovedMeanwhile", &EngineLibrary::saveAsMp3,
                                 Fault::kDirectoryRemoved, BRENVIK_MP3_DISK_ERROR}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
