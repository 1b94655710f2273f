// SPDX-License-Identifier: GPL-3.0-or-later
// The PortAudio and sound-server back ends against a real, paced sound server: a PulseAudio
// server private to this test with two null sinks, which the sound-server back end reaches
// directly and PortAudio through ALSA's "default" device and its pulse plugin. What
// the engine plays is taken from the play sink's monitor; what it records is a counter pattern
// the test plays into the capture sink. Every wait is bounded; without a server the tests skip.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "brenvik.h"
#include "pulse_server.h"
#include "transport_steps.h"
#include "wav_image.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int32_t kRate = 44100;
const std::vector<std::string> kRawFormat{"--raw", "--format=s16le", "--rate=44100",
                                          "--channels=2"};

std::vector<std::string> operator+(std::vector<std::string> left,
                                   const std::vector<std::string>& right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// Frame i of the track holds (i + 1, -(i + 1)): never silent, and each of the first 65535
// frames different from every other.
void writeNumberedFrames(int32_t count)
{
    for (int32_t frame = 0; frame < count; ++frame) {
        TrackWrite(2 * frame, frame + 1);
        TrackWrite(2 * frame + 1, -(frame + 1));
    }
}

uint32_t numberedFrame(int32_t frame)
{
    return static_cast<uint16_t>(frame + 1) | static_cast<uint32_t>(-(frame + 1)) << 16;
}

// The track frame a frame heard on the monitor holds, if it is one of the numbered frames.
std::optional<int32_t> numberOf(uint32_t frame)
{
    const auto left = static_cast<uint16_t>(frame);
    const auto right = static_cast<uint16_t>(frame >> 16);
    if (frame == 0 || static_cast<uint16_t>(left + right) != 0) {
        return std::nullopt;
    }
    return left - 1;
}

// A raw 16-bit stereo recording that a recorder still writes, read as it grows.
class GrowingRecording {
public:
    explicit GrowingRecording(const fs::path& file)
        : path_(file)
    {}
    ~GrowingRecording()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    GrowingRecording(const GrowingRecording&) = delete;
    GrowingRecording& operator=(const GrowingRecording&) = delete;

    // Every whole frame written so far.
    const std::vector<uint32_t>& frames()
    {
        if (fd_ < 0) {
            fd_ = ::open(path_.c_str(), O_RDONLY);
        }
        std::array<char, 65536> chunk;
        ssize_t got = 0;
        while (fd_ >= 0 && (got = ::read(fd_, chunk.data(), chunk.size())) > 0) {
            pending_.insert(pending_.end(), chunk.begin(), chunk.begin() + got);
            const std::size_t whole = pending_.size() / 4 * 4;
            for (std::size_t at = 0; at < whole; at += 4) {
                uint32_t frame = 0;
                std::memcpy(&frame, &pending_[at], 4);
                frames_.push_back(frame);
            }
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(whole));
        }
        return frames_;
    }

private:
    fs::path path_;
    int fd_ = -1;
    std::vector<char> pending_;
    std::vector<uint32_t> frames_;
};

// How many frames of expected heard holds in order from offset on.
std::size_t framesHeardInOrder(const std::vector<uint32_t>& heard, std::size_t offset,
                               const std::vector<uint32_t>& expected)
{
    const auto start = heard.begin() + static_cast<long>(offset);
    const auto stop = start + static_cast<long>(std::min(expected.size(), heard.size() - offset));
    return static_cast<std::size_t>(std::mismatch(start, stop, expected.begin()).first - start);
}

// Records a sink's monitor into a file until stopped.
std::unique_ptr<ChildProcess> recordMonitor(const PulseServer& server, const std::string& sink,
                                            const fs::path& file)
{
    return server.start(
        std::vector<std::string>{"parecord", "--latency-msec=5", "--device=" + sink + ".monitor"} +
        kRawFormat + std::vector<std::string>{file.string()});
}

// What the play sink's monitor delivers, from before a playback starts until finish().
// Silence played all along keeps the sink running as a card does, so that the monitor delivers
// every frame, and the frames a playback adds stand alone among zeros.
class Listener {
public:
    Listener(const PulseServer& server, const fs::path& file)
        : keepRunning_(server.start(std::vector<std::string>{"pacat", "--playback", "--device=play",
                                                             "--latency-msec=20"} +
                                    kRawFormat + std::vector<std::string>{"/dev/zero"})),
          recorder_(recordMonitor(server, "play", file)),
          recording_(file)
    {}

    // Waits, bounded, until the monitor delivers.
    bool listening()
    {
        return eventually([&] { return recording_.frames().size() >= kRate / 5; },
                          std::chrono::seconds(10));
    }
    const std::vector<uint32_t>& heard() { return recording_.frames(); }
    // The newest numbered frame heard so far.
    std::optional<int32_t> newestNumber()
    {
        const std::vector<uint32_t>& frames = recording_.frames();
        for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
            if (const std::optional<int32_t> number = numberOf(*frame)) {
                return number;
            }
        }
        return std::nullopt;
    }
    // Listens a further 0.2 s, for whatever is still on its way, then stops recording.
    void finish()
    {
        const std::size_t before = recording_.frames().size();
        eventually([&] { return recording_.frames().size() >= before + kRate / 5; },
                   std::chrono::seconds(5));
        recorder_->stop(SIGINT);
        recording_.frames();
    }

private:
    std::unique_ptr<ChildProcess> keepRunning_;
    std::unique_ptr<ChildProcess> recorder_;
    GrowingRecording recording_;
};

class PulseDeviceTest : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite()
    {
        dir_ = fs::temp_directory_path() / ("brenvik-pulse-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        server_ = std::make_unique<PulseServer>(dir_, std::vector<std::string>{"play", "capture"});
        if (server_->ready()) {
            server_->makeThisProcessAClient();
        }
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        ::unsetenv("ALSA_CONFIG_PATH");
    }
    static void TearDownTestSuite()
    {
        server_.reset();
        fs::remove_all(dir_);
    }

    void SetUp() override
    {
        if (!server_->ready()) {
            GTEST_SKIP() << "no PulseAudio server could be started here: " << server_->failure();
        }
        ::setenv("BRENVIK_AUDIO", GetParam(), 1);
    }
    void TearDown() override { CloseLib(); }  // after a failed assertion too

    // A path for a file of this test that does not exist yet.
    static fs::path freshFile(const std::string& name)
    {
        const fs::path file =
            dir_ / (std::string(GetParam()) + "-" + std::to_string(++files_) + "-" + name);
        fs::remove(file);
        return file;
    }

    static inline int files_ = 0;
    static inline fs::path dir_;
    static inline std::unique_ptr<PulseServer> server_;
};

// How far GetPosition runs ahead of the newest frame the monitor has delivered, in frames.
struct PositionLead {
    std::vector<int32_t> leads;

    void sample(int32_t position, std::optional<int32_t> newestHeard, int32_t from)
    {
        if (newestHeard) {
            leads.push_back(position - (*newestHeard + 1 - from));
        }
    }
    int32_t median()
    {
        std::sort(leads.begin(), leads.end());
        return leads.empty() ? 0 : leads[leads.size() / 2];
    }
};

TEST_P(PulseDeviceTest, EveryFrameOfTheSelectionIsHeardAndThePositionFollowsTheSound)
{
    Listener listener(*server_, freshFile("heard.raw"));
    ASSERT_TRUE(listener.listening()) << "the play sink's monitor delivers nothing";

    const int32_t from = 1000;
    const int32_t to = from + kRate;  // one second
    ASSERT_EQ(OpenLib(to + 1000, 0), 0);
    writeNumberedFrames(to + 1000);
    ASSERT_EQ(PlayWav(from, to), 0);
    PositionLead lead;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (IsPlaying() != 0 && std::chrono::steady_clock::now() < deadline) {
        const int32_t position = GetPosition();
        if (position > 0 && position < to - from) {
            lead.sample(position, listener.newestNumber(), from);
        }
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(IsPlaying(), 0) << "the playback never ended";
    EXPECT_EQ(GetPosition(), to - from);
    EXPECT_EQ(StopWav(), 0);
    listener.finish();
    EXPECT_EQ(CloseLib(), 0);

    // A stream that starts makes the server rewrite the little the sink has mixed ahead; a card
    // plays the rewritten frames, but a null sink's monitor has already delivered the old ones
    // (paplay's first frames go missing there the same way). So the first frames heard may come
    // up to a sink latency late; from there on every frame must be heard, to the last.
    const std::vector<uint32_t>& frames = listener.heard();
    const auto first = std::find_if(frames.begin(), frames.end(), [](uint32_t f) { return f; });
    ASSERT_NE(first, frames.end()) << "nothing was heard";
    const auto offset = static_cast<std::size_t>(first - frames.begin());
    const int32_t firstHeard = numberOf(*first).value_or(to);
    EXPECT_LE(firstHeard, from + kRate / 20) << "the start of the selection was not heard";
    std::vector<uint32_t> expected;
    for (int32_t frame = std::max(from, firstHeard); frame < to; ++frame) {
        expected.push_back(numberedFrame(frame));
    }
    const std::size_t inOrder = framesHeardInOrder(frames, offset, expected);
    EXPECT_EQ(inOrder, expected.size())
        << "frames heard in order after " << offset << " silent ones, from frame " << firstHeard;
    EXPECT_TRUE(std::all_of(first + static_cast<long>(inOrder), frames.end(), [](uint32_t f) {
        return f == 0;
    })) << "the frames heard in order are followed by more than silence";
    std::printf("heard %zu of %zu frames; GetPosition ahead of the monitor by %d frames (median)\n",
                inOrder, expected.size(), lead.median());

    // The monitor delivers what the sink has played within a few milliseconds; a position that
    // counts what was handed to the stream runs a buffer (tens of milliseconds) ahead of it.
    ASSERT_GE(lead.leads.size(), 20u) << "too few positions were sampled during the playback";
    EXPECT_LE(lead.median(), kRate / 50) << "GetPosition runs ahead of the sound (frames)";
}

TEST_P(PulseDeviceTest, StopDuringAPlaybackSilencesItAtOnce)
{
    Listener listener(*server_, freshFile("heard.raw"));
    ASSERT_TRUE(listener.listening()) << "the play sink's monitor delivers nothing";
    const int32_t to = 2 * kRate;
    ASSERT_EQ(OpenLib(to, 0), 0);
    writeNumberedFrames(to);
    ASSERT_EQ(PlayWav(0, to), 0);
    ASSERT_TRUE(eventually([] { return GetPosition() >= kRate / 2; }, 10s));
    const int32_t stoppedAt = GetPosition();
    EXPECT_EQ(StopWav(), 0);
    EXPECT_EQ(IsPlaying(), 0);
    listener.finish();
    EXPECT_EQ(CloseLib(), 0);

    // What the device had buffered may still sound, not what was queued behind it.
    const std::optional<int32_t> last = listener.newestNumber();
    ASSERT_TRUE(last.has_value()) << "nothing was heard";
    EXPECT_LE(*last + 1, stoppedAt + kRate / 10) << "frames played on after Stop";
}

// Plays the frame counter into the capture sink and makes its monitor the default source; the
// player goes when the result does. Fails the test unless the pattern reaches the monitor, so
// that a recording started afterwards holds no silence.
std::unique_ptr<ChildProcess> playCounterToTheDefaultSource(const PulseServer& server,
                                                            const fs::path& counter,
                                                            const fs::path& flowing)
{
    wav_image::writeFile(counter, wav_image::wave(wav_image::counterFrames(20 * kRate)));
    EXPECT_TRUE(server.pactl({"set-default-source", "capture.monitor"}));
    auto player = server.start({"paplay", "--device=capture", counter.string()});
    auto probe = recordMonitor(server, "capture", flowing);
    GrowingRecording probed(flowing);
    EXPECT_TRUE(eventually(
        [&] {
            const std::vector<uint32_t>& frames = probed.frames();
            return std::any_of(frames.begin(), frames.end(), [](uint32_t f) { return f; });
        },
        10s))
        << "the counter pattern never reached the capture sink's monitor";
    return player;
}

TEST_P(PulseDeviceTest, RecordingAcrossRingWrapsKeepsAnUnbrokenRunOldestFirst)
{
    const auto player =
        playCounterToTheDefaultSource(*server_, freshFile("counter.wav"), freshFile("flowing.raw"));
    ASSERT_FALSE(HasFailure());

    const int32_t length = kRate / 10;
    ASSERT_EQ(OpenLib(length, 0), 0);
    ASSERT_EQ(RecordWav(), 0);
    for (int wrap = 0; wrap < 4; ++wrap) {
        ASSERT_TRUE(ringWraps()) << "the ring position never fell back";
    }
    ASSERT_EQ(StopWav(), 0);
    EXPECT_TRUE(isOneUnbrokenRun(length));
    EXPECT_GT(counterAt(0), 0u);
    EXPECT_EQ(CloseLib(), 0);
}

// Kills the server during a running transport: IsPlaying must drop within a bounded wait, and
// StopWav then report the dead device. Prints how long each took.
void expectTheKillToEndTheTransport(PulseServer& server, const char* transport)
{
    using Seconds = std::chrono::duration<double>;
    server.kill();
    const auto killed = std::chrono::steady_clock::now();
    ASSERT_TRUE(eventually([] { return IsPlaying() == 0; }, 20s))
        << "IsPlaying still 1 20 s after the server was killed";
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(StopWav(), BRENVIK_ERR_NOT_RESPONDING);
    std::printf("%s: IsPlaying read 0 %.2f s after the kill; StopWav took %.3f s\n", transport,
                Seconds(stopping - killed).count(),
                Seconds(std::chrono::steady_clock::now() - stopping).count());
}

// The server comes back, and the engine opens afresh on it as File > New does.
void expectAFreshOpenOnceTheServerIsBack(PulseServer& server, int32_t length)
{
    ASSERT_TRUE(server.restart()) << server.failure();
    CloseLib();
    ASSERT_EQ(OpenLib(length, 0), 0);
}

TEST_P(PulseDeviceTest, AServerKilledMidWayEndsTheTransportAndWhatWasRecordedIsKept)
{
    const int32_t length = kRate / 2;
    {
        const auto player = playCounterToTheDefaultSource(*server_, freshFile("counter.wav"),
                                                          freshFile("flowing.raw"));
        ASSERT_FALSE(HasFailure());
        ASSERT_EQ(OpenLib(length, 0), 0);
        ASSERT_EQ(RecordWav(), 0);
        ASSERT_TRUE(ringWraps()) << "the ring position never fell back";
        expectTheKillToEndTheTransport(*server_, "recording");
        EXPECT_TRUE(isOneUnbrokenRun(length));
        EXPECT_GT(counterAt(0), 0u);
    }

    expectAFreshOpenOnceTheServerIsBack(*server_, 5 * kRate);
    ASSERT_EQ(PlayWav(0, 5 * kRate), 0);
    ASSERT_TRUE(eventually([] { return GetPosition() >= kRate / 2; }, 10s));
    expectTheKillToEndTheTransport(*server_, "playback");
    // File > New before the server is back: the devices do not open, and nothing waits.
    EXPECT_EQ(CloseLib(), 0);
    EXPECT_NE(OpenLib(length, 0), 0);

    expectAFreshOpenOnceTheServerIsBack(*server_, length);
    ASSERT_EQ(RecordWav(), 0);
    EXPECT_TRUE(ringWraps()) << "no recording once the server was back";
    EXPECT_EQ(StopWav(), 0);
    EXPECT_EQ(CloseLib(), 0);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, PulseDeviceTest, ::testing::Values("portaudio", "pulse"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace
