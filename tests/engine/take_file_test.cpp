// SPDX-License-Identifier: GPL-3.0-or-later
// The take file as the next start meets it: what a recording process left when it was killed,
// stopped or exited without saving; files that are refused and left alone; the flushed count;
// saved takes reused; the fallback to memory. The recording processes are this test program run
// again on one case of its own (TakeChild), on the simulated card's counter input.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brenvik.h"
#include "child_process.h"
#include "take_header.h"
#include "temp_directory.h"
#include "transport_steps.h"

namespace {

namespace fs = std::filesystem;
using brenvik::TakeHeader;

constexpr int32_t kLength = 44100;
// The most frames the simulated card writes in one step at the speed used here: a few periods.
constexpr int64_t kOneStep = 441 * 8;

std::string takeFolder()
{
    return std::string(std::getenv("XDG_STATE_HOME")) + "/quorvel";
}

std::vector<std::string> takeFiles()
{
    return TempDirectory::namesIn(takeFolder());
}

std::string listTakes()
{
    const int32_t needed = ListTakes(nullptr, 0);
    if (needed <= 0) return {};
    std::string text(size_t(needed), '\0');
    EXPECT_EQ(ListTakes(text.data(), needed), needed);
    return text.substr(0, text.find('\0'));
}

// The fields of the first line of a ListTakes text.
std::vector<std::string> fieldsOf(const std::string& text)
{
    const std::string line = text.substr(0, text.find('\n'));
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

TakeHeader headerOf(const std::string& path)
{
    TakeHeader header{};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(&header), sizeof header);
    return header;
}

// The newest counter value the raw ring holds: the last frame the process recorded.
uint32_t newestCounterIn(const std::string& path, int32_t length)
{
    std::vector<uint16_t> values(size_t(length) * 2);
    std::ifstream in(path, std::ios::binary);
    in.seekg(TakeHeader::kBytes);
    in.read(reinterpret_cast<char*>(values.data()), std::streamsize(values.size() * 2));
    uint32_t newest = 0;
    for (int32_t frame = 0; frame < length; ++frame) {
        newest = std::max(newest, values[2 * frame] | uint32_t{values[2 * frame + 1]} << 16);
    }
    return newest;
}

class TakeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("BRENVIK_AUDIO", "sim", 1);
        ::setenv("BRENVIK_SIM_SPEED", "8", 1);
        ::unsetenv("BRENVIK_SIM_INPUT");
        ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    }

    // Runs this program's TakeChild case with how it ends, until it has recorded past a wrap.
    ChildProcess startChild(const std::string& ending)
    {
        ChildProcess::Environment environment = currentEnvironment();
        environment["TAKE_CHILD_ENDING"] = ending;
        environment["TAKE_CHILD_READY"] = ready.file("ready");
        return ChildProcess({fs::read_symlink("/proc/self/exe"), "--gtest_filter=TakeChild.*"},
                            environment, ready.file("child.log"));
    }
    bool childIsReady()
    {
        return eventually([&] { return fs::exists(ready.file("ready")); });
    }

    TempDirectory state;  // the take folder's parent, the recording processes' too
    TempDirectory ready;
};

// How the recording process ended: a signal while it recorded, or a stop and a clean close
// without a save.
struct Ending {
    const char* name;
    int signal;  // 0: it stopped, closed the engine and exited
};

class TakeSurvives : public TakeFileTest, public ::testing::WithParamInterface<Ending> {};

// Recovered, the take is one unbroken oldest-first run of the simulated card's counter that
// ends where the file said the recording had come, at most one step of the card short of the
// newest frame the process wrote; once recovered it is no longer offered by another start.
TEST_P(TakeSurvives, AsOneOldestFirstRunEndingAtItsLastFrame)
{
    const Ending ending = GetParam();
    ChildProcess child = startChild(ending.signal ? "record" : "stop");
    ASSERT_TRUE(childIsReady()) << "the recording process never wrapped its ring";
    if (ending.signal) {
        child.stop(ending.signal);
    } else {
        ASSERT_EQ(child.wait(std::chrono::seconds(30)), 0);
    }

    const std::string listed = listTakes();
    const std::vector<std::string> fields = fieldsOf(listed);
    ASSERT_EQ(fields.size(), 7u) << listed;
    EXPECT_EQ(fields[1], "unsaved");
    EXPECT_EQ(fields[3], std::to_string(kLength));
    const std::string path = fields[0];
    const TakeHeader left = headerOf(path);
    EXPECT_GE(left.recordedFrames, kLength) << "the ring wrapped";
    EXPECT_EQ(std::to_string(left.recordedFrames), fields[2]);
    const uint32_t newest = newestCounterIn(path, kLength);

    ASSERT_EQ(OpenTake(path.c_str(), 0), BRENVIK_OK);
    EXPECT_TRUE(isOneUnbrokenRun(kLength));
    const uint32_t last = counterAt(kLength - 1);
    if (ending.signal) {
        EXPECT_EQ(int64_t{last} + 1, left.recordedFrames) << "the take ends where the file said";
        EXPECT_LE(newest - last, kOneStep) << "the newest frame written is at most a step away";
    } else {
        EXPECT_EQ(last, newest);
    }
    EXPECT_EQ(GetTrackStore(), BRENVIK_STORE_FILE);
    EXPECT_EQ(listTakes(), "") << "the open engine holds the take";
    EXPECT_EQ(CloseLib(), 0);
    EXPECT_NE(listTakes(), "") << "recovered but not saved, it is still offered";
    EXPECT_EQ(DiscardTake(path.c_str()), BRENVIK_OK);
    EXPECT_EQ(listTakes(), "");
    EXPECT_FALSE(fs::exists(path));
}

INSTANTIATE_TEST_SUITE_P(EveryEnding, TakeSurvives,
                         ::testing::Values(Ending{"killed", SIGKILL}, Ending{"terminated", SIGTERM},
                                           Ending{"hung_up", SIGHUP},
                                           Ending{"stopped_and_closed_unsaved", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The recording process of TakeSurvives; skipped when run by itself.
TEST(TakeChild, RecordsUntilItEnds)
{
    const char* ending = std::getenv("TAKE_CHILD_ENDING");
    if (ending == nullptr) GTEST_SKIP() << "run by TakeSurvives only";
    ::setenv("BRENVIK_AUDIO", "sim", 1);
    ASSERT_EQ(OpenLib(kLength, 0), 0);
    ASSERT_EQ(RecordWav(), 0);
    ASSERT_TRUE(ringWraps());
    ASSERT_TRUE(ringWraps());
    if (std::string(ending) == "stop") {
        ASSERT_EQ(StopWav(), 0);
        ASSERT_EQ(CloseLib(), 0);
        std::ofstream(std::getenv("TAKE_CHILD_READY")) << "stopped\n";
        return;
    }
    std::ofstream(std::getenv("TAKE_CHILD_READY")) << "recording\n";
    ::pause();  // until the test's signal
}

// A take recorded, stopped and closed here, left for the next start: its file's path.
std::string leaveAStoppedTake()
{
    EXPECT_EQ(OpenLib(kLength, 0), 0);
    recordUntilTheRingWraps();
    EXPECT_EQ(CloseLib(), 0);
    return fieldsOf(listTakes())[0];
}

// What spoils a take file, where in it, and what ListTakes then calls it.
struct Spoiling {
    const char* name;
    std::size_t offset;  // where bytes are written; past the end: the file is made longer
    std::vector<char> bytes;
    const char* state;
};

class RefusedTake : public TakeFileTest, public ::testing::WithParamInterface<Spoiling> {};

// A file of another version, of the wrong size or with a broken header is named, never loaded,
// not removed and not reused: it stays exactly as it was.
TEST_P(RefusedTake, IsNamedAndLeftAsItIs)
{
    const Spoiling spoiling = GetParam();
    const std::string path = leaveAStoppedTake();
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::size_t at = spoiling.offset == SIZE_MAX ? fs::file_size(path) : spoiling.offset;
    ASSERT_EQ(::pwrite(fd, spoiling.bytes.data(), spoiling.bytes.size(), off_t(at)),
              ssize_t(spoiling.bytes.size()));
    ::close(fd);
    const std::vector<uint8_t> before = readBytes(path);

    EXPECT_EQ(fieldsOf(listTakes())[1], spoiling.state);
    EXPECT_EQ(OpenTake(path.c_str(), 0), BRENVIK_TAKE_REFUSED);
    EXPECT_EQ(GetTrackStore(), BRENVIK_STORE_NONE);
    EXPECT_EQ(DiscardTake(path.c_str()), BRENVIK_TAKE_REFUSED);
    ASSERT_EQ(OpenLib(kLength, 0), 0);
    EXPECT_EQ(takeFiles().size(), 2u) << "a new file beside the refused one";
    EXPECT_EQ(CloseLib(), 0);
    EXPECT_EQ(readBytes(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    EverySpoiling, RefusedTake,
    ::testing::Values(
        Spoiling{"other_version", offsetof(TakeHeader, version), {2, 0, 0, 0}, "other-version"},
        Spoiling{"a_frame_more", SIZE_MAX, {0, 0, 0, 0}, "wrong-size"},
        Spoiling{"broken_mark", 0, {'X'}, "broken"},
        Spoiling{"broken_length", offsetof(TakeHeader, trackLength), {1}, "broken"},
        Spoiling{"caught_turning", offsetof(TakeHeader, phase), {TakeHeader::kTurning}, "broken"},
        Spoiling{"ring_end_outside", offsetof(TakeHeader, ringEnd), {0, 0, 0, 0x7F}, "broken"}),
    [](const auto& info) { return std::string(info.param.name); });

// Once a second the frames recorded are written to the disk and the header says how many: the
// flushed count follows the recording and never passes it.
TEST_F(TakeFileTest, TheFlushedCountFollowsTheRecording)
{
    ASSERT_EQ(OpenLib(kLength * 4, 0), 0);
    const std::string path = takeFolder() + "/" + takeFiles().at(0);
    ASSERT_EQ(RecordWav(), 0);
    int64_t flushed = 0;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(eventually([&] { return headerOf(path).flushedFrames > flushed; }));
        const TakeHeader header = headerOf(path);
        EXPECT_LE(header.flushedFrames, header.recordedFrames);
        flushed = header.flushedFrames;
    }
    EXPECT_EQ(StopWav(), 0);
    EXPECT_EQ(CloseLib(), 0);
    EXPECT_EQ(headerOf(path).phase, TakeHeader::kStopped);
}

// A saved take is not offered, and its file is the next open's; a new recording into it makes
// it unsaved again.
TEST_F(TakeFileTest, ASavedTakeIsNotOfferedAndItsFileIsReused)
{
    TempDirectory saves;
    ASSERT_EQ(OpenLib(kLength, 0), 0);
    ASSERT_NO_FATAL_FAILURE(recordUntilTheRingWraps());
    ASSERT_EQ(SaveAsWave(0, kLength, saves.file("take.wav").c_str()), BRENVIK_OK);
    ASSERT_EQ(CloseLib(), 0);
    EXPECT_EQ(listTakes(), "");

    ASSERT_EQ(OpenLib(kLength, 0), 0);
    EXPECT_EQ(takeFiles().size(), 1u);
    ASSERT_NO_FATAL_FAILURE(recordUntilTheRingWraps());
    ASSERT_EQ(CloseLib(), 0);
    EXPECT_EQ(fieldsOf(listTakes())[1], "unsaved");
}

// Two engines never share a file: the one another process holds is neither listed nor taken.
TEST_F(TakeFileTest, AnotherEnginesFileIsNeitherListedNorTaken)
{
    ChildProcess child = startChild("record");
    ASSERT_TRUE(childIsReady());
    const std::vector<std::string> held = takeFiles();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(listTakes(), "");
    EXPECT_EQ(OpenTake((takeFolder() + "/" + held[0]).c_str(), 0), BRENVIK_TAKE_REFUSED);
    ASSERT_EQ(OpenLib(kLength, 0), 0);
    EXPECT_EQ(takeFiles().size(), 2u);
    EXPECT_EQ(CloseLib(), 0);
}

// Where no take file can be made, or none is wanted, the track is in memory and works as ever.
TEST_F(TakeFileTest, WithoutATakeFileTheTrackIsInMemory)
{
    const struct {
        const char* name;
        bool inMemoryOnly;
        bool folderIsAFile;
        int32_t store;
    } cases[] = {{"chosen", true, false, BRENVIK_STORE_MEMORY},
                 {"no folder to be made", false, true, BRENVIK_STORE_FELL_BACK}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory state;
        const std::string folder = c.folderIsAFile ? state.file("a file") : state.path();
        std::ofstream(state.file("a file")) << "not a folder\n";
        ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
        ASSERT_EQ(KeepTrackInMemory(c.inMemoryOnly ? 1 : 0), BRENVIK_OK);
        ASSERT_EQ(OpenLib(kLength, 0), 0);
        EXPECT_EQ(GetTrackStore(), c.store);
        ASSERT_NO_FATAL_FAILURE(recordUntilTheRingWraps());
        EXPECT_TRUE(isOneUnbrokenRun(kLength));
        EXPECT_EQ(CloseLib(), 0);
        EXPECT_EQ(TempDirectory::namesIn(state.path()), std::vector<std::string>{"a file"});
        ASSERT_EQ(KeepTrackInMemory(0), BRENVIK_OK);
    }
}

}  // namespace
