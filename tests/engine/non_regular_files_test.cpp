// SPDX-License-Identifier: GPL-3.0-or-later
// Paths that name something other than a regular file: a FIFO, a terminal, a device. The file
// exports refuse them at once with their "cannot open" codes, write nothing into them and never
// wait on them. Each call runs in a child process that an alarm ends, so a call that blocks
// fails its test instead of hanging it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "brenvik.h"
#include "engine_library.h"
#include "log_capture.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kLength = 44100;  // frames: more than a pipe or a terminal takes unread
constexpr unsigned kSecondsAllowed = 10;

// The result of call, made in a child process once OpenLib has opened the engine there; nullopt
// when the child did not answer within the time allowed.
std::optional<int32_t> inChildWithAnOpenEngine(const std::function<int32_t()>& call)
{
    std::array<int, 2> answer{};
    if (::pipe(answer.data()) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        ::alarm(kSecondsAllowed);
        const int32_t result = OpenLib(kLength, 0) == 0 ? call() : INT32_MIN;
        const bool sent = ::write(answer[1], &result, sizeof result) == sizeof result;
        ::_exit(sent ? 0 : 1);
    }
    ::close(answer[1]);
    int32_t result = 0;
    const bool answered = child > 0 && ::read(answer[0], &result, sizeof result) == sizeof result;
    ::close(answer[0]);
    if (child > 0) {
        ::waitpid(child, nullptr, 0);
    }
    return answered ? std::optional(result) : std::nullopt;
}

class SpecialFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("BRENVIK_AUDIO", "sim", 1);
        preloadEncoderUnderSanitizer(ENCODER_LIBRARY);
        fs::create_directories(log.dir());
    }

    std::string fifo() const
    {
        const std::string path = (log.dir() / "fifo").string();
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }

    // What a reader of fd finds waiting: nothing, when the exports kept away.
    static ssize_t bytesWaitingIn(int fd)
    {
        std::array<char, 256> bytes{};
        return std::max<ssize_t>(::read(fd, bytes.data(), bytes.size()), 0);
    }

    LogCapture log;
};

TEST_F(SpecialFilesTest, FifoWithNothingAtTheOtherEnd_IsRefusedWithoutWaiting)
{
    const std::string path = fifo();
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return SaveAsWave(0, 10, path.c_str()); }),
              BRENVIK_SAVE_FAILED);
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return SaveAsMp3(0, 10, path.c_str()); }),
              BRENVIK_MP3_DISK_ERROR);
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return LoadWave(path.c_str()); }),
              BRENVIK_LOAD_CANNOT_OPEN);
}

TEST_F(SpecialFilesTest, FifoWithTheOtherEndOpen_IsRefusedAndGetsNoData)
{
    const std::string path = fifo();
    // Both ends, so that neither opening nor writing would wait; reading does not either.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return SaveAsWave(0, 10, path.c_str()); }),
              BRENVIK_SAVE_FAILED);
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return SaveAsMp3(0, 10, path.c_str()); }),
              BRENVIK_MP3_DISK_ERROR);
    EXPECT_EQ(bytesWaitingIn(fd), 0);
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return LoadWave(path.c_str()); }),
              BRENVIK_LOAD_CANNOT_OPEN);
    ::close(fd);
}

TEST_F(SpecialFilesTest, LinkToATerminalDevice_IsRefused)
{
    if (!fs::exists("/dev/ptmx")) {
        GTEST_SKIP() << "no /dev/ptmx";
    }
    const std::string link = (log.dir() / "song.wav").string();
    fs::create_symlink("/dev/ptmx", link);
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return SaveAsWave(0, kLength, link.c_str()); }),
              BRENVIK_SAVE_FAILED);
    EXPECT_EQ(inChildWithAnOpenEngine([&] { return SaveAsMp3(0, kLength, link.c_str()); }),
              BRENVIK_MP3_DISK_ERROR);
}

TEST_F(SpecialFilesTest, IdleStandardInput_IsRefusedWithoutWaiting)
{
    EXPECT_EQ(inChildWithAnOpenEngine([] {
                  // Standard input becomes a pipe whose writer stays open and says nothing.
                  std::array<int, 2> idle{};
                  if (::pipe(idle.data()) != 0 || ::dup2(idle[0], STDIN_FILENO) < 0) {
                      return INT32_MIN;
                  }
                  return LoadWave("/dev/stdin");
              }),
              BRENVIK_LOAD_CANNOT_OPEN);
}

}  // namespace
