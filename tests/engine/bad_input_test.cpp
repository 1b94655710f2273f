// SPDX-License-Identifier: GPL-3.0-or-later
// Every bad input the engine can meet through its exports, as one table: each row names the
// input, does it, and says the clear result it must give. For every row nothing is lost: the
// track holds what it held unless the row says otherwise, and every file that was there before
// still has its bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "brenvik.h"
#include "engine_library.h"
#include "log_capture.h"
#include "transport_steps.h"
#include "wav_image.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kLength = 1000;  // frames in the track
constexpr int32_t kValues = 2 * kLength;
constexpr int kFileFrames = 10;  // frames in the crafted WAV files

using Track = std::vector<int16_t>;

// --- Crafted WAV files -------------------------------------------------------------------------

// A 16-bit stereo 44100 Hz file of kFileFrames frames (100 + i, -100 - i). The sizes default to
// the true ones; beforeData is put between the format and the data chunk.
struct WavImage {
    std::optional<uint32_t> riffSize;
    std::optional<uint32_t> fmtSize;
    std::optional<uint32_t> dataSize;
    std::string beforeData;

    std::string bytes() const
    {
        using namespace wav_image;
        return riff(formatChunk(1, 2, 44100, 16, "", fmtSize) + beforeData +
                        chunk("data", stereoFrames(kFileFrames), dataSize),
                    "RIFF", riffSize);
    }
};

const std::string kGoodWav = WavImage{}.bytes();

std::string wavWith(const std::function<void(WavImage&)>& edit)
{
    WavImage image;
    edit(image);
    return image.bytes();
}
constexpr std::size_t kHeaderBytes = 44;

// The track after loading the crafted file: its frames, then silence.
void holdsTheFileFrames(Track& track)
{
    std::fill(track.begin(), track.end(), 0);
    for (int frame = 0; frame < kFileFrames; ++frame) {
        track[2 * frame] = static_cast<int16_t>(100 + frame);
        track[2 * frame + 1] = static_cast<int16_t>(-100 - frame);
    }
}

// --- The table ---------------------------------------------------------------------------------

enum class Engine { kOpen, kNeverOpened, kClosed };

struct Paths {
    std::string dir;  // the test's scratch directory
    std::string in;   // the row's input file, when it has one
    std::string out;  // a file name nothing exists under yet
};

struct Row {
    std::string name;
    Engine engine;
    std::function<int32_t(const Paths&)> action;
    int32_t expected;
    std::optional<std::string> input = std::nullopt;   // the bytes of Paths::in
    std::function<void(Track&)> changes = nullptr;     // what the row may change in the track
    std::optional<uintmax_t> outBytes = std::nullopt;  // the size of Paths::out afterwards
};

// Row::outBytes for a row after which Paths::out must not exist.
constexpr uintmax_t kNoFile = UINTMAX_MAX;

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

// A playback of a bad range is allowed to run out by itself before it is stopped.
int32_t playToTheEnd(int32_t from, int32_t to)
{
    const int32_t result = PlayWav(from, to);
    EXPECT_TRUE(eventually([] { return IsPlaying() == 0; }));
    StopWav();
    return result;
}

// Calls a file export after an OpenLib that got no memory for its track (a length of 0 frames
// is refused as memory that cannot be had).
int32_t afterOpenLibWithoutMemory(const std::function<int32_t()>& call)
{
    EXPECT_EQ(OpenLib(0, 0), BRENVIK_ERR_NO_MEMORY);
    return call();
}

// Calls a transport export on a closed engine and stops it again, so IsPlaying drops.
int32_t thenStop(int32_t result)
{
    StopWav();
    return result;
}

std::vector<Row> badValueIndexes()
{
    std::vector<Row> rows;
    for (const auto& [label, bad] : std::vector<std::pair<std::string, int32_t>>{
             {"minus1", -1}, {"2L", kValues}, {"INT32_MIN", INT32_MIN}, {"INT32_MAX", INT32_MAX}}) {
        const int32_t index = bad;  // a plain variable: lambdas cannot capture a binding in C++20
        rows.push_back({"TrackRead_" + label, Engine::kOpen,
                        [index = index](const Paths&) { return TrackRead(index); },
                        BRENVIK_OUTSIDE_TRACK});
        rows.push_back({"TrackWrite_" + label, Engine::kOpen,
                        [index = index](const Paths&) { return TrackWrite(index, 1234); },
                        BRENVIK_OUTSIDE_TRACK});
    }
    return rows;
}

std::vector<Row> badFrameRanges()
{
    const auto silenceFrom = [](int32_t frame) {
        return [frame](Track& track) { std::fill(track.begin() + 2 * frame, track.end(), 0); };
    };
    return {
        {"TrackClear_before_the_track", Engine::kOpen,
         [](const Paths&) { return TrackClear(-100, 0); }, 0},
        {"TrackClear_past_the_end", Engine::kOpen,
         [](const Paths&) { return TrackClear(kLength, kLength + 100); }, 0},
        {"TrackClear_reversed", Engine::kOpen, [](const Paths&) { return TrackClear(600, 400); },
         0},
        {"TrackClear_over_the_end_clears_to_the_end", Engine::kOpen,
         [](const Paths&) { return TrackClear(kLength - 10, kLength + 10); }, 0, std::nullopt,
         silenceFrom(kLength - 10)},
        {"TrackClear_INT32_MIN_to_INT32_MAX_clears_the_track", Engine::kOpen,
         [](const Paths&) { return TrackClear(INT32_MIN, INT32_MAX); }, 0, std::nullopt,
         silenceFrom(0)},
        {"PlayWav_past_the_end", Engine::kOpen,
         [](const Paths&) { return playToTheEnd(kLength, kLength + 100); }, 0},
        {"PlayWav_reversed", Engine::kOpen, [](const Paths&) { return playToTheEnd(600, 400); }, 0},
        {"PlayWav_INT32_MIN_to_INT32_MAX", Engine::kOpen,
         [](const Paths&) { return playToTheEnd(INT32_MIN, INT32_MAX); }, 0},
        {"SaveAsWave_past_the_end", Engine::kOpen,
         [](const Paths& p) { return SaveAsWave(kLength, kLength + 100, p.out.c_str()); }, 0,
         std::nullopt, nullptr, kHeaderBytes},
        {"SaveAsWave_reversed", Engine::kOpen,
         [](const Paths& p) { return SaveAsWave(600, 400, p.out.c_str()); }, 0, std::nullopt,
         nullptr, kHeaderBytes},
        {"SaveAsWave_over_the_end_saves_to_the_end", Engine::kOpen,
         [](const Paths& p) { return SaveAsWave(kLength - 10, INT32_MAX, p.out.c_str()); }, 0,
         std::nullopt, nullptr, kHeaderBytes + 40},
        {"SaveAsMp3_past_the_end", Engine::kOpen,
         [](const Paths& p) { return SaveAsMp3(kLength, kLength + 100, p.out.c_str()); }, 0},
        {"SaveAsMp3_reversed", Engine::kOpen,
         [](const Paths& p) { return SaveAsMp3(600, 400, p.out.c_str()); }, 0},
    };
}

std::vector<Row> badTrackLengths()
{
    std::vector<Row> rows;
    for (const auto& [label, bad] : std::vector<std::pair<std::string, int32_t>>{
             {"0", 0}, {"minus1", -1}, {"INT32_MIN", INT32_MIN}, {"INT32_MAX", INT32_MAX}}) {
        const int32_t length = bad;  // a plain variable: lambdas cannot capture a binding in C++20
        rows.push_back({"OpenLib_length_" + label, Engine::kClosed,
                        [length = length](const Paths&) { return OpenLib(length, 0); },
                        BRENVIK_ERR_NO_MEMORY});
    }
    return rows;
}

// Before OpenLib and after CloseLib there is no track and no device: the track exports see a
// track of no frames, the device exports get the device layer's "not open", and the file
// exports refuse with their failure codes, loading nothing and creating no file. An OpenLib
// that could not get its memory leaves the engine the same.
std::vector<Row> exportsWithoutAnOpenEngine()
{
    return {
        {"TrackRead_after_CloseLib", Engine::kClosed, [](const Paths&) { return TrackRead(0); },
         BRENVIK_OUTSIDE_TRACK},
        {"TrackWrite_before_OpenLib", Engine::kNeverOpened,
         [](const Paths&) { return TrackWrite(0, 1); }, BRENVIK_OUTSIDE_TRACK},
        {"TrackClear_after_CloseLib", Engine::kClosed,
         [](const Paths&) { return TrackClear(0, 10); }, 0},
        {"PlayWav_before_OpenLib", Engine::kNeverOpened,
         [](const Paths&) { return thenStop(PlayWav(0, 10)); }, BRENVIK_ERR_NOT_OPEN},
        {"RecordWav_after_CloseLib", Engine::kClosed,
         [](const Paths&) { return thenStop(RecordWav()); }, BRENVIK_ERR_NOT_OPEN},
        {"StopWav_before_OpenLib", Engine::kNeverOpened, [](const Paths&) { return StopWav(); },
         BRENVIK_ERR_NOT_OPEN},
        {"GetPosition_after_CloseLib", Engine::kClosed, [](const Paths&) { return GetPosition(); },
         0},
        {"IsPlaying_before_OpenLib", Engine::kNeverOpened, [](const Paths&) { return IsPlaying(); },
         0},
        {"CloseLib_after_CloseLib", Engine::kClosed, [](const Paths&) { return CloseLib(); }, 0},
        {"LoadWave_after_CloseLib_loads_nothing", Engine::kClosed,
         [](const Paths& p) { return LoadWave(p.in.c_str()); }, BRENVIK_LOAD_CANNOT_OPEN, kGoodWav},
        {"LoadWave_after_an_OpenLib_without_memory_loads_nothing", Engine::kClosed,
         [](const Paths& p) {
             return afterOpenLibWithoutMemory([&] { return LoadWave(p.in.c_str()); });
         },
         BRENVIK_LOAD_CANNOT_OPEN, kGoodWav},
        {"SaveAsWave_before_OpenLib_creates_no_file", Engine::kNeverOpened,
         [](const Paths& p) { return SaveAsWave(0, 10, p.out.c_str()); }, BRENVIK_SAVE_FAILED,
         std::nullopt, nullptr, kNoFile},
        {"SaveAsWave_after_an_OpenLib_without_memory_creates_no_file", Engine::kClosed,
         [](const Paths& p) {
             return afterOpenLibWithoutMemory([&] { return SaveAsWave(0, 10, p.out.c_str()); });
         },
         BRENVIK_SAVE_FAILED, std::nullopt, nullptr, kNoFile},
        {"SaveAsMp3_after_CloseLib_creates_no_file", Engine::kClosed,
         [](const Paths& p) { return SaveAsMp3(0, 10, p.out.c_str()); }, BRENVIK_MP3_MEMORY_ERROR,
         std::nullopt, nullptr, kNoFile},
        {"SaveAsMp3_before_OpenLib_creates_no_file", Engine::kNeverOpened,
         [](const Paths& p) { return SaveAsMp3(0, 0, p.out.c_str()); }, BRENVIK_MP3_MEMORY_ERROR,
         std::nullopt, nullptr, kNoFile},
    };
}

std::vector<Row> badPaths()
{
    const auto wave = [](std::string path) {
        return [path](const Paths&) { return SaveAsWave(0, kLength, path.c_str()); };
    };
    const auto mp3 = [](std::string path) {
        return [path](const Paths&) { return SaveAsMp3(0, kLength, path.c_str()); };
    };
    const std::string missingDir = "/nonexistent-brenvik-dir/out";
    const std::string inProc = "/proc/brenvik-bad-input-out";
    return {
        {"LoadWave_null_path", Engine::kOpen, [](const Paths&) { return LoadWave(nullptr); },
         BRENVIK_LOAD_CANNOT_OPEN},
        {"WaveFrames_null_path", Engine::kOpen, [](const Paths&) { return WaveFrames(nullptr); },
         -BRENVIK_LOAD_CANNOT_OPEN},
        {"WaveFrames_dev_zero", Engine::kOpen, [](const Paths&) { return WaveFrames("/dev/zero"); },
         -BRENVIK_LOAD_CANNOT_OPEN},
        {"WaveSampleBits_null_path", Engine::kOpen,
         [](const Paths&) { return WaveSampleBits(nullptr); }, -BRENVIK_LOAD_CANNOT_OPEN},
        // It reads only the file's header: no track is needed.
        {"WaveFrames_before_OpenLib_counts_the_frames", Engine::kNeverOpened,
         [](const Paths& p) { return WaveFrames(p.in.c_str()); }, kFileFrames, kGoodWav},
        {"SaveAsWave_null_path", Engine::kOpen,
         [](const Paths&) { return SaveAsWave(0, 10, nullptr); }, BRENVIK_SAVE_FAILED},
        {"SaveAsMp3_null_path", Engine::kOpen,
         [](const Paths&) { return SaveAsMp3(0, 10, nullptr); }, BRENVIK_MP3_DISK_ERROR},
        {"LoadWave_missing_file", Engine::kOpen,
         [](const Paths& p) { return LoadWave(p.out.c_str()); }, BRENVIK_LOAD_CANNOT_OPEN},
        {"SaveAsWave_in_a_missing_directory", Engine::kOpen, wave(missingDir + ".wav"),
         BRENVIK_SAVE_FAILED},
        {"SaveAsMp3_in_a_missing_directory", Engine::kOpen, mp3(missingDir + ".mp3"),
         BRENVIK_MP3_DISK_ERROR},
        {"SaveAsWave_inside_proc", Engine::kOpen, wave(inProc + ".wav"), BRENVIK_SAVE_FAILED},
        {"SaveAsMp3_inside_proc", Engine::kOpen, mp3(inProc + ".mp3"), BRENVIK_MP3_DISK_ERROR},
        {"SaveAsWave_to_dev_full", Engine::kOpen, wave("/dev/full"), BRENVIK_SAVE_FAILED},
        {"SaveAsWave_empty_range_to_dev_full", Engine::kOpen,
         [](const Paths&) { return SaveAsWave(5, 5, "/dev/full"); }, BRENVIK_SAVE_FAILED},
        {"SaveAsMp3_to_dev_full", Engine::kOpen, mp3("/dev/full"), BRENVIK_MP3_DISK_ERROR},
        // A device takes the bytes and says nothing: that is no saved file.
        {"SaveAsWave_to_dev_null", Engine::kOpen, wave("/dev/null"), BRENVIK_SAVE_FAILED},
        {"SaveAsMp3_to_dev_null", Engine::kOpen, mp3("/dev/null"), BRENVIK_MP3_DISK_ERROR},
        {"LoadWave_dev_zero", Engine::kOpen, [](const Paths&) { return LoadWave("/dev/zero"); },
         BRENVIK_LOAD_CANNOT_OPEN},
        {"LoadWave_read_only_file_loads", Engine::kOpen,
         [](const Paths& p) {
             fs::permissions(
                 p.in, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
             return LoadWave(p.in.c_str());
         },
         0, kGoodWav, holdsTheFileFrames},
        {"LoadWave_directory", Engine::kOpen,
         [](const Paths& p) { return LoadWave(p.dir.c_str()); }, BRENVIK_LOAD_CANNOT_OPEN},
        {"SaveAsWave_directory", Engine::kOpen,
         [](const Paths& p) { return SaveAsWave(0, 10, p.dir.c_str()); }, BRENVIK_SAVE_FAILED},
        {"SaveAsMp3_directory", Engine::kOpen,
         [](const Paths& p) { return SaveAsMp3(0, 10, p.dir.c_str()); }, BRENVIK_MP3_DISK_ERROR},
    };
}

std::vector<Row> badWavFiles()
{
    const auto load = [](const Paths& p) { return LoadWave(p.in.c_str()); };
    return {
        {"data_size_larger_than_the_file_loads_what_is_there", Engine::kOpen, load, 0,
         wavWith([](WavImage& w) { w.dataSize = 0x7FFFFFF0; }), holdsTheFileFrames},
        {"RIFF_size_huge_is_not_used", Engine::kOpen, load, 0,
         wavWith([](WavImage& w) { w.riffSize = 0xFFFFFFFF; }), holdsTheFileFrames},
        {"fmt_chunk_size_huge_skips_to_the_end", Engine::kOpen, load, BRENVIK_LOAD_NO_DATA,
         wavWith([](WavImage& w) { w.fmtSize = 0x7FFFFFF0; })},
        {"fmt_chunk_size_with_the_top_bit_skips_nothing", Engine::kOpen, load, 0,
         wavWith([](WavImage& w) { w.fmtSize = 0x80000010; }), holdsTheFileFrames},
        {"odd_chunk_size_with_the_top_bit_skips_only_its_pad_byte", Engine::kOpen, load, 0,
         wavWith([](WavImage& w) { w.beforeData = "LIST" + wav_image::le32(0x80000001) + "\x7F"; }),
         holdsTheFileFrames},
        {"header_cut_inside_the_format_chunk", Engine::kOpen, load, BRENVIK_LOAD_NOT_16_BIT,
         kGoodWav.substr(0, 24)},
        {"header_cut_before_the_data_chunk", Engine::kOpen, load, BRENVIK_LOAD_NO_DATA,
         kGoodWav.substr(0, 36)},
        {"header_cut_inside_the_data_size", Engine::kOpen, load, BRENVIK_LOAD_NO_DATA,
         kGoodWav.substr(0, 42)},
        {"empty_file", Engine::kOpen, load, BRENVIK_LOAD_NO_RIFF, ""},
        {"only_RIFF", Engine::kOpen, load, BRENVIK_LOAD_NO_WAVE, "RIFF"},
    };
}

std::vector<Row> allRows()
{
    std::vector<Row> rows;
    for (auto part : {badValueIndexes(), badFrameRanges(), badTrackLengths(),
                      exportsWithoutAnOpenEngine(), badPaths(), badWavFiles()}) {
        rows.insert(rows.end(), part.begin(), part.end());
    }
    return rows;
}

// --- The check ---------------------------------------------------------------------------------

Track readTrack()
{
    Track track(kValues);
    for (int32_t index = 0; index < kValues; ++index) {
        track[index] = static_cast<int16_t>(TrackRead(index));
    }
    return track;
}

std::map<fs::path, std::string> filesIn(const fs::path& dir)
{
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return files;
}

class BadInputTest : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override
    {
        ::setenv("BRENVIK_AUDIO", "sim", 1);
        ::setenv("BRENVIK_SIM_SPEED", "100", 1);
        preloadEncoderUnderSanitizer(ENCODER_LIBRARY);
        paths.dir = (log.dir() / "files").string();
        paths.in = paths.dir + "/in.wav";
        paths.out = paths.dir + "/out";
        fs::create_directories(paths.dir);
    }
    void TearDown() override
    {
        CloseLib();
        fs::permissions(paths.dir, fs::perms::owner_all, fs::perm_options::add);
    }

    // A track whose every value is known and none is silent.
    static void fillTrack()
    {
        for (int32_t index = 0; index < kValues; ++index) {
            TrackWrite(index, 7 * index + 3);
        }
    }

    LogCapture log;
    Paths paths;
};

TEST_P(BadInputTest, GivesItsClearResultAndLosesNothing)
{
    const Row& row = GetParam();
    if (row.input) {
        std::ofstream(paths.in, std::ios::binary) << *row.input;
    }
    if (row.engine != Engine::kNeverOpened) {
        ASSERT_EQ(OpenLib(kLength, 0), 0);
        fillTrack();
    }
    if (row.engine == Engine::kClosed) {
        ASSERT_EQ(CloseLib(), 0);
    }
    Track expected = readTrack();
    if (row.changes) {
        row.changes(expected);
    }
    const auto filesBefore = filesIn(paths.dir);

    EXPECT_EQ(row.action(paths), row.expected);

    EXPECT_EQ(readTrack(), expected) << "the track changed";
    EXPECT_EQ(IsPlaying(), 0);
    const auto filesAfter = filesIn(paths.dir);
    for (const auto& [path, bytes] : filesBefore) {
        EXPECT_EQ(filesAfter.at(path), bytes) << path << " changed";
    }
    if (row.outBytes == kNoFile) {
        EXPECT_FALSE(fs::exists(paths.out));
    } else if (row.outBytes) {
        ASSERT_TRUE(fs::exists(paths.out));
        EXPECT_EQ(fs::file_size(paths.out), *row.outBytes);
    }
    if (row.engine != Engine::kOpen) {
        EXPECT_EQ(TrackRead(0), BRENVIK_OUTSIDE_TRACK) << "the engine opened a track";
    }
    // Whatever came before, the engine still opens and works.
    ASSERT_EQ(OpenLib(kLength, 0), 0);
    EXPECT_EQ(TrackWrite(kValues - 1, 5), 0);
    EXPECT_EQ(TrackRead(kValues - 1), 5);
    EXPECT_EQ(CloseLib(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryBadInput, BadInputTest, ::testing::ValuesIn(allRows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
