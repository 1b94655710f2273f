// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <vector>

#include "device/device_worker.h"
#include "device/sim_device.h"
#include "frame.h"
#include "wav_image.h"

#if defined(__SANITIZE_ADDRESS__)
// An allocation beyond 1 GB ends the test under AddressSanitizer, so that a loader that sets
// aside whatever size a file's header declares fails here even on a machine with memory to spare.
extern "C" const char* __asan_default_options()
{
    return "max_allocation_size_mb=1024";
}
#endif

namespace brenvik::device {
namespace {

// Records every callback, like the engine would see it.
struct Recorder {
    struct Call {
        uint32_t message;
        WaveHeader* header;
    };
    std::vector<Call> calls;
    WaveInput* requeueOn = nullptr;  // queue filled headers again, as the engine's ring does

    static void callback(void* context, uint32_t message, WaveHeader* header)
    {
        auto& self = *static_cast<Recorder*>(context);
        self.calls.push_back({message, header});
        if (self.requeueOn && message == kInputData) {
            self.requeueOn->addBuffer(*header);
        }
    }
};

class SimDeviceTest : public ::testing::Test {
protected:
    SimBackend backend(SimConfig config = {})
    {
        config.manualClock = clock;
        return SimBackend(std::move(config));
    }
    static uint32_t counterAt(const Frame& frame)
    {
        return static_cast<uint16_t>(frame.left) | static_cast<uint32_t>(frame.right) << 16;
    }
    static WaveHeader headerOver(std::vector<Frame>& frames, std::size_t first, std::size_t count)
    {
        return {reinterpret_cast<std::byte*>(frames.data() + first),
                static_cast<uint32_t>(count * sizeof(Frame)), 0, 0};
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    Recorder recorder;
};

TEST_F(SimDeviceTest, HeaderRulesFollowThePlatform)
{
    SimBackend sim = backend();
    std::unique_ptr<WaveOutput> output;
    ASSERT_EQ(sim.openOutput(&Recorder::callback, &recorder, output), kNoError);
    std::vector<Frame> frames(10);
    WaveHeader header = headerOver(frames, 0, 10);

    EXPECT_EQ(output->write(header), kUnprepared);
    EXPECT_EQ(output->prepare(header), kNoError);
    EXPECT_EQ(output->write(header), kNoError);
    EXPECT_EQ(output->write(header), kStillPlaying);
    EXPECT_EQ(output->unprepare(header), kStillPlaying);
    EXPECT_EQ(output->close(), kStillPlaying);
    EXPECT_EQ(output->reset(), kNoError);
    EXPECT_EQ(output->unprepare(header), kNoError);
    EXPECT_EQ(output->close(), kNoError);

    uint32_t frameCount = 99;
    EXPECT_EQ(output->prepare(header), kInvalidHandle);
    EXPECT_EQ(output->write(header), kInvalidHandle);
    EXPECT_EQ(output->reset(), kInvalidHandle);
    EXPECT_EQ(output->position(frameCount), kInvalidHandle);
    EXPECT_EQ(output->close(), kInvalidHandle);
}

TEST_F(SimDeviceTest, OutputPlaysQueuedFramesIntoTheSinkAndHandsEachHeaderBack)
{
    const auto sinkPath = std::filesystem::temp_directory_path() /
                          ("brenvik-sim-sink-" + std::to_string(::getpid()) + ".raw");
    std::filesystem::remove(sinkPath);
    SimConfig config;
    config.outputPath = sinkPath;
    SimBackend sim = backend(config);
    std::unique_ptr<WaveOutput> output;
    ASSERT_EQ(sim.openOutput(&Recorder::callback, &recorder, output), kNoError);
    std::vector<Frame> frames(100);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i] = {static_cast<int16_t>(i), static_cast<int16_t>(-int(i))};
    }
    WaveHeader first = headerOver(frames, 0, 30);
    WaveHeader second = headerOver(frames, 30, 70);
    output->prepare(first);
    output->prepare(second);
    output->write(first);
    output->write(second);

    clock->advance(40);
    uint32_t played = 0;
    output->position(played);
    EXPECT_EQ(played, 40u);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].message, kOutputDone);
    EXPECT_EQ(recorder.calls[0].header, &first);
    EXPECT_EQ(first.flags & (kHeaderDone | kHeaderInQueue), kHeaderDone);

    clock->advance(1000);  // an idle device moves no frames
    output->position(played);
    EXPECT_EQ(played, 100u);
    ASSERT_EQ(recorder.calls.size(), 2u);
    EXPECT_EQ(recorder.calls[1].header, &second);

    std::ifstream sink(sinkPath, std::ios::binary);
    std::vector<Frame> sunk(101);
    sink.read(reinterpret_cast<char*>(sunk.data()), 101 * sizeof(Frame));
    ASSERT_EQ(sink.gcount(), 100 * static_cast<std::streamsize>(sizeof(Frame)));
    EXPECT_EQ(std::memcmp(sunk.data(), frames.data(), 100 * sizeof(Frame)), 0);
    output->reset();
    output->close();
    std::filesystem::remove(sinkPath);
}

TEST_F(SimDeviceTest, InputRecordsTheCounterPatternThroughARingOfTwoHeaders)
{
    SimBackend sim = backend();
    std::unique_ptr<WaveInput> input;
    ASSERT_EQ(sim.openInput(&Recorder::callback, &recorder, input), kNoError);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].message, kInputOpen);
    recorder.calls.clear();
    recorder.requeueOn = input.get();

    // An odd frame count puts the boundary between the halves inside a frame.
    std::vector<Frame> track(7);
    std::byte* bytes = reinterpret_cast<std::byte*>(track.data());
    WaveHeader a{bytes, 14, 0, 0};
    WaveHeader b{bytes + 14, 14, 0, 0};
    input->prepare(a);
    input->prepare(b);
    input->addBuffer(a);
    input->addBuffer(b);
    clock->advance(5);  // not started: nothing moves
    uint32_t frameCount = 0;
    input->position(frameCount);
    EXPECT_EQ(frameCount, 0u);

    input->start();
    clock->advance(7 * 3 + 2);
    input->position(frameCount);
    EXPECT_EQ(frameCount, 23u);
    EXPECT_EQ(recorder.calls.size(), 6u);  // three passes, two halves each
    for (uint32_t n = 21; n < 23; ++n) {
        EXPECT_EQ(counterAt(track[n % 7]), n);
    }
    for (uint32_t n = 16; n < 21; ++n) {
        EXPECT_EQ(counterAt(track[n % 7]), n);
    }

    recorder.requeueOn = nullptr;
    recorder.calls.clear();
    EXPECT_EQ(input->reset(), kNoError);
    input->position(frameCount);
    EXPECT_EQ(frameCount, 0u);
    ASSERT_EQ(recorder.calls.size(), 2u);  // both queued halves come back, in queue order
    EXPECT_EQ(recorder.calls[0].header, &a);
    EXPECT_EQ(recorder.calls[1].header, &b);
    EXPECT_EQ(a.bytesRecorded, 8u);  // two frames of the unfinished pass

    recorder.calls.clear();
    EXPECT_EQ(input->close(), kNoError);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].message, kInputClose);
}

TEST_F(SimDeviceTest, InputLoopsAWaveFileAndRefusesOtherFormats)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("brenvik-sim-source-" + std::to_string(::getpid()) + ".wav");
    auto writeWave = [&](uint16_t channels, const std::vector<int16_t>& samples,
                         std::optional<uint32_t> declaredDataBytes = std::nullopt) {
        wav_image::writeFile(
            path, wav_image::wave(wav_image::values(samples), channels, 44100, declaredDataBytes));
    };
    std::unique_ptr<WaveInput> input;

    SimConfig config;
    config.inputPath = path;
    // The engine's loader takes some of these, by the low bytes of their fields; the card does
    // not.
    using namespace wav_image;
    const std::string frames = values({1, 2, 3, 4});
    for (const std::string& refused :
         {wave(frames, 1), wave(frames, 2, 22050), wave(frames, 258),
          wave(frames, 2, 44100 + 65536),
          riff(formatChunk(257, 2, 44100, 16) + chunk("data", frames)),
          riff(formatChunk(1, 2, 44100, 8) + chunk("data", frames)),
          riff(formatChunk(3, 2, 44100, 32) + chunk("data", frames)), wave(""),
          riff(formatChunk(1, 2, 44100, 16)), std::string("RIFF")}) {
        writeFile(path, refused);
        EXPECT_EQ(backend(config).openInput(&Recorder::callback, &recorder, input), kBadFormat);
    }
    config.inputPath = "/nonexistent.wav";
    EXPECT_EQ(backend(config).openInput(&Recorder::callback, &recorder, input), kBadFormat);
    EXPECT_FALSE(input);

    writeWave(2, {10, -10, 20, -20, 30, -30});
    config.inputPath = path;
    SimBackend sim = backend(config);
    ASSERT_EQ(sim.openInput(&Recorder::callback, &recorder, input), kNoError);
    std::vector<Frame> track(5);
    WaveHeader header = headerOver(track, 0, 5);
    input->prepare(header);
    input->addBuffer(header);
    input->start();
    clock->advance(5);
    const std::vector<int16_t> lefts{10, 20, 30, 10, 20};
    for (std::size_t i = 0; i < track.size(); ++i) {
        EXPECT_EQ(track[i].left, lefts[i]);
        EXPECT_EQ(track[i].right, -lefts[i]);
    }
    input->close();

    // A data chunk that declares about 4 GB loops what the file really holds.
    writeWave(2, {40, -40, 50, -50}, 0xFFFFFFF0u);
    ASSERT_EQ(sim.openInput(&Recorder::callback, &recorder, input), kNoError);
    header = headerOver(track, 0, 3);
    input->prepare(header);
    input->addBuffer(header);
    input->start();
    clock->advance(3);
    EXPECT_EQ(track[0].left, 40);
    EXPECT_EQ(track[1].left, 50);
    EXPECT_EQ(track[2].left, 40);
    input->close();
    std::filesystem::remove(path);
}

TEST_F(SimDeviceTest, NamedOpenFaultsGiveBadDeviceId)
{
    SimConfig config;
    config.failOutputOpen = config.failInputOpen = true;
    SimBackend sim = backend(config);
    std::unique_ptr<WaveOutput> output;
    std::unique_ptr<WaveInput> input;
    EXPECT_EQ(sim.openOutput(&Recorder::callback, &recorder, output), kBadDeviceId);
    EXPECT_EQ(sim.openInput(&Recorder::callback, &recorder, input), kBadDeviceId);
    EXPECT_TRUE(recorder.calls.empty());
}

TEST(SimConfigTest, ReadsTheEnvironment)
{
    ::setenv("BRENVIK_SIM_SPEED", "2.5", 1);
    ::setenv("BRENVIK_SIM_FAIL", "in-open,out-open", 1);
    ::setenv("BRENVIK_SIM_OUTPUT", "/tmp/out.raw", 1);
    SimConfig config = SimConfig::fromEnvironment();
    EXPECT_DOUBLE_EQ(config.speed, 2.5);
    EXPECT_TRUE(config.failInputOpen);
    EXPECT_TRUE(config.failOutputOpen);
    EXPECT_EQ(config.outputPath, "/tmp/out.raw");

    ::setenv("BRENVIK_SIM_SPEED", "nonsense", 1);
    ::setenv("BRENVIK_SIM_FAIL", "in-open", 1);
    config = SimConfig::fromEnvironment();
    EXPECT_DOUBLE_EQ(config.speed, 1.0);
    EXPECT_FALSE(config.failOutputOpen);
    ::unsetenv("BRENVIK_SIM_SPEED");
    ::unsetenv("BRENVIK_SIM_FAIL");
    ::unsetenv("BRENVIK_SIM_OUTPUT");
}

// The real-time card calls back from its own thread; a reset returns only once every queued
// header has come back.
TEST(SimRealTimeTest, CallbacksComeFromTheDeviceThreadAndResetWaitsForThem)
{
    struct Watcher {
        std::mutex mutex;
        std::condition_variable changed;
        int filled = 0;
        bool onOtherThread = true;
        std::thread::id caller = std::this_thread::get_id();
        static void callback(void* context, uint32_t message, WaveHeader*)
        {
            auto& self = *static_cast<Watcher*>(context);
            std::lock_guard lock(self.mutex);
            if (message == kInputData) {
                ++self.filled;
                self.onOtherThread &= std::this_thread::get_id() != self.caller;
            }
            self.changed.notify_all();
        }
    } watcher;
    SimConfig config;
    config.speed = 1000;
    SimBackend sim(config);
    std::unique_ptr<WaveInput> input;
    ASSERT_EQ(sim.openInput(&Watcher::callback, &watcher, input), kNoError);
    std::vector<Frame> track(4410);
    std::byte* bytes = reinterpret_cast<std::byte*>(track.data());
    WaveHeader small{bytes, 441 * 4, 0, 0}, large{bytes + 441 * 4, 3969 * 4, 0, 0};
    input->prepare(small);
    input->prepare(large);
    input->addBuffer(small);
    input->addBuffer(large);
    input->start();
    {
        std::unique_lock lock(watcher.mutex);
        ASSERT_TRUE(watcher.changed.wait_for(lock, std::chrono::seconds(20),
                                             [&] { return watcher.filled >= 1; }));
    }
    EXPECT_EQ(input->reset(), kNoError);
    {
        std::lock_guard lock(watcher.mutex);
        EXPECT_EQ(watcher.filled, 2);
        EXPECT_TRUE(watcher.onOtherThread);
    }
    EXPECT_EQ(large.flags & (kHeaderDone | kHeaderInQueue), kHeaderDone);
    EXPECT_EQ(input->close(), kNoError);
}

TEST(DeviceWorkerTest, RunsJobsOnItsThreadAndInlineFromItself)
{
    DeviceWorker worker(std::chrono::microseconds(1000), [] {});
    std::thread::id jobThread;
    worker.runAndWait([&] {
        jobThread = std::this_thread::get_id();
        bool nestedRan = false;
        worker.runAndWait([&] { nestedRan = true; });
        EXPECT_TRUE(nestedRan);
    });
    EXPECT_NE(jobThread, std::this_thread::get_id());
}

}  // namespace
}  // namespace brenvik::device
