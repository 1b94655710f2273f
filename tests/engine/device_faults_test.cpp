// SPDX-License-Identifier: GPL-3.0-or-later
// Sound devices that stop answering, stop moving, or opens that throw: the engine gives a hung
// or standing device up, keeps the track readable, and opens afresh afterwards. The sanitizer
// builds run these to check that a given-up device that wakes up later touches nothing freed.
#include <gtest/gtest.h>

#include <future>
#include <new>
#include <stdexcept>

#include "engine.h"
#include "log_capture.h"
#include "stalling_backend.h"
#include "transport_steps.h"

namespace brenvik {
namespace {

using testing::Operation;
using testing::Side;
using testing::Stall;
using Lines = std::vector<std::string>;

// Short enough for a quick test, long enough that no healthy device call overruns it even in a
// sanitizer build on a busy machine (one did at 300 ms).
constexpr std::chrono::milliseconds kDeadline{2000};
constexpr int32_t kLength = 1000;

uint32_t counterAt(const Frame& frame)
{
    return static_cast<uint16_t>(frame.left) | static_cast<uint32_t>(frame.right) << 16;
}

// The engine on a card whose devices hang where a test holds them, and stand still while the
// test does not move the clock.
class DeviceFaultsTest : public ::testing::Test {
protected:
    explicit DeviceFaultsTest(std::chrono::milliseconds stallPeriod = Engine::kStallPeriod)
        : engine(
              [this] {
                  device::SimConfig config = sim;
                  config.manualClock = clock;
                  return std::make_unique<testing::StallingBackend>(config, stall);
              },
              kDeadline, stallPeriod)
    {}
    ~DeviceFaultsTest() override
    {
        EXPECT_TRUE(stall->releaseAndDrain());
        engine.close();
    }

    // Makes an engine call on another thread and waits far longer than the deadline for it, so
    // that an engine that waits for a hung device fails the test rather than hanging it.
    int32_t bounded(const std::function<int32_t()>& engineCall)
    {
        std::future<int32_t> result = std::async(std::launch::async, engineCall);
        if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            ADD_FAILURE() << "the engine waited for a hung device";
            stall->releaseAndDrain();
        }
        return result.get();
    }

    // The hung device wakes up, which breaks nothing; then a new open on a sound card records
    // and closes as usual.
    void expectAFreshOpenToRecord()
    {
        ASSERT_TRUE(stall->releaseAndDrain());
        stall = std::make_shared<Stall>();
        clock = std::make_shared<device::ManualClock>();
        ASSERT_EQ(engine.open(kLength, true), 0);
        ASSERT_EQ(engine.record(), 0);
        clock->advance(2500);
        EXPECT_EQ(engine.stop(), 0);
        expectOneRunFrom(1500);
        EXPECT_EQ(engine.close(), 0);
    }

    void expectOneRunFrom(uint32_t oldest)
    {
        for (std::size_t i = 0; i < kLength; ++i) {
            ASSERT_EQ(counterAt(engine.track().frames()[i]), oldest + i) << i;
        }
    }

    LogCapture log;
    std::shared_ptr<Stall> stall = std::make_shared<Stall>();
    std::shared_ptr<device::ManualClock> clock = std::make_shared<device::ManualClock>();
    device::SimConfig sim;
    Engine engine;
};

// The input hangs in the last steps of a stop: the ring position query or the reset.
class HungStopTest : public DeviceFaultsTest, public ::testing::WithParamInterface<Operation> {};

TEST_P(HungStopTest, StopGivesUpAndTurnsTheRingByTheLastPositionRead)
{
    ASSERT_EQ(engine.open(kLength, true), 0);
    ASSERT_EQ(engine.record(), 0);
    clock->advance(2500);
    EXPECT_EQ(engine.position(), 500);  // as the editor reads it while it follows the recording

    stall->hold(Side::kInput, GetParam());
    EXPECT_EQ(bounded([&] { return engine.stop(); }), device::kNotResponding);
    EXPECT_EQ(stall->blockedCalls(), 1);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(log.linesFrom("Stop\n"), (Lines{"Stop\n", "Err:waveInReset\n"}));
    expectOneRunFrom(1500);  // and it stays readable until the close

    // No device call waits any more: every close step fails at once.
    EXPECT_EQ(bounded([&] { return engine.close(); }), device::kNotResponding);
    EXPECT_EQ(stall->blockedCalls(), 1);
    EXPECT_EQ(engine.track().length(), 0);
    expectAFreshOpenToRecord();
}

std::string operationName(const ::testing::TestParamInfo<Operation>& info)
{
    return testing::nameOf(info.param);
}

INSTANTIATE_TEST_SUITE_P(Input, HungStopTest,
                         ::testing::Values(Operation::kPosition, Operation::kReset), operationName);

// A playback whose device hangs: in the queuing (play fails), or in the stop.
class HungPlaybackTest : public DeviceFaultsTest,
                         public ::testing::WithParamInterface<Operation> {};

TEST_P(HungPlaybackTest, StopReturnsAndEndsThePlayback)
{
    ASSERT_EQ(engine.open(kLength, false), 0);
    stall->hold(Side::kOutput, GetParam());
    const int32_t played = bounded([&] { return engine.play(FrameRange{0, kLength}); });
    const bool failsInPlay = GetParam() == Operation::kPrepare || GetParam() == Operation::kQueue;
    EXPECT_EQ(played, failsInPlay ? device::kNotResponding : device::kNoError);
    clock->advance(10);
    EXPECT_TRUE(engine.isPlaying());

    EXPECT_EQ(bounded([&] { return engine.stop(); }), device::kNotResponding);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(engine.position(), 0);
    EXPECT_EQ(bounded([&] { return engine.close(); }), device::kNotResponding);
    expectAFreshOpenToRecord();
}

INSTANTIATE_TEST_SUITE_P(Output, HungPlaybackTest,
                         ::testing::Values(Operation::kPrepare, Operation::kQueue,
                                           Operation::kReset, Operation::kUnprepare),
                         operationName);

// A device that hangs while the engine opens or closes.
class HungOpenOrCloseTest : public DeviceFaultsTest,
                            public ::testing::WithParamInterface<std::pair<Side, Operation>> {};

TEST_P(HungOpenOrCloseTest, OpenAndCloseReturnNotRespondingAndTheNextOpenWorks)
{
    const auto [side, operation] = GetParam();
    stall->hold(side, operation);
    const bool hangsInClose = operation == Operation::kClose || operation == Operation::kUnprepare;
    EXPECT_EQ(bounded([&] { return engine.open(kLength, false); }),
              hangsInClose ? device::kNoError : device::kNotResponding);
    EXPECT_EQ(engine.track().length(), kLength);
    EXPECT_EQ(bounded([&] { return engine.close(); }), device::kNotResponding);
    expectAFreshOpenToRecord();
}

INSTANTIATE_TEST_SUITE_P(EachStep, HungOpenOrCloseTest,
                         ::testing::Values(std::pair(Side::kOutput, Operation::kOpen),
                                           std::pair(Side::kInput, Operation::kOpen),
                                           std::pair(Side::kInput, Operation::kPrepare),
                                           std::pair(Side::kOutput, Operation::kClose),
                                           std::pair(Side::kInput, Operation::kUnprepare),
                                           std::pair(Side::kInput, Operation::kClose)),
                         [](const auto& info) {
                             return testing::nameOf(info.param.first) +
                                    testing::nameOf(info.param.second);
                         });

TEST_F(DeviceFaultsTest, CloseDuringARecordingWhoseResetHangsReturnsNotResponding)
{
    ASSERT_EQ(engine.open(kLength, false), 0);
    ASSERT_EQ(engine.record(), 0);
    clock->advance(700);
    stall->hold(Side::kInput, Operation::kReset);
    EXPECT_EQ(bounded([&] { return engine.close(); }), device::kNotResponding);
    EXPECT_FALSE(engine.isPlaying());
    expectAFreshOpenToRecord();
}

// A device that answers every call but stops moving, as one whose sound server died does.
class StandingDeviceTest : public DeviceFaultsTest {
protected:
    // Short, so that the tests take little time; they wait for the engine, never for a time.
    StandingDeviceTest()
        : DeviceFaultsTest(std::chrono::milliseconds(50))
    {}

    bool givesUp()
    {
        return eventually([this] { return !engine.isPlaying(); }, std::chrono::seconds(20));
    }
};

TEST_F(StandingDeviceTest, RecordingIsGivenUp_StopTurnsTheRingAndReportsIt_ThenRecordingWorks)
{
    ASSERT_EQ(engine.open(kLength, true), 0);
    ASSERT_EQ(engine.record(), 0);
    clock->advance(2500);
    EXPECT_EQ(engine.position(), 500);
    ASSERT_TRUE(givesUp()) << "a recording whose device stands still still runs";
    EXPECT_EQ(log.linesFrom("Err:device stopped moving\n").size(), 1u);

    EXPECT_EQ(engine.stop(), device::kNotResponding);
    expectOneRunFrom(1500);
    ASSERT_EQ(engine.record(), 0);
    clock->advance(2500);
    EXPECT_EQ(engine.stop(), 0);
    expectOneRunFrom(1500);
    EXPECT_EQ(engine.close(), 0);
}

TEST_F(StandingDeviceTest, PlaybackIsGivenUpAndStopReportsIt_ThenAPlaybackEndsSilently)
{
    ASSERT_EQ(engine.open(kLength, false), 0);
    ASSERT_EQ(engine.play(FrameRange{0, kLength}), 0);
    clock->advance(300);
    ASSERT_TRUE(givesUp()) << "a playback whose device stands still still plays";
    EXPECT_EQ(engine.stop(), device::kNotResponding);

    ASSERT_EQ(engine.play(FrameRange{0, kLength}), 0);
    clock->advance(kLength);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(engine.stop(), 0);
    EXPECT_EQ(engine.close(), 0);
}

// A playback that failed to start reports itself active until it is stopped, as it always has.
TEST_F(StandingDeviceTest, PlaybackThatFailedToStartIsNotGivenUp)
{
    sim.failOutputOpen = true;
    EXPECT_EQ(engine.open(kLength, false), device::kBadDeviceId);
    EXPECT_EQ(engine.play(FrameRange{0, kLength}), device::kInvalidHandle);
    // Asked without pause for ten stall periods, the engine reads the device at every chance.
    const auto until = std::chrono::steady_clock::now() + 10 * std::chrono::milliseconds(50);
    while (std::chrono::steady_clock::now() < until) ASSERT_TRUE(engine.isPlaying());
    EXPECT_EQ(engine.stop(), device::kInvalidHandle);
}

// What open throws (memory or a thread that cannot be had) leaves the engine closed, and the
// devices opened before the throw are gone.
TEST_F(DeviceFaultsTest, OpenThatThrowsLeavesTheEngineClosedAndReusable)
{
    stall->before(Side::kInput, Operation::kOpen, [] { throw std::bad_alloc(); });
    EXPECT_THROW(engine.open(kLength, false), std::bad_alloc);
    EXPECT_EQ(engine.track().length(), 0);
    EXPECT_FALSE(engine.isPlaying());
    EXPECT_EQ(engine.record(), device::kInvalidHandle);
    EXPECT_EQ(engine.close(), 0);
    expectAFreshOpenToRecord();
}

TEST(EngineOpenTest, BackEndThatCannotBeMadeLeavesTheEngineClosedAndReusable)
{
    bool fail = true;
    Engine engine([&fail]() -> std::unique_ptr<device::WaveBackend> {
        if (fail) {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        return std::make_unique<device::SimBackend>(device::SimConfig{});
    });
    EXPECT_THROW(engine.open(kLength, false), std::system_error);
    EXPECT_EQ(engine.track().length(), 0);
    EXPECT_EQ(engine.close(), 0);
    fail = false;
    EXPECT_EQ(engine.open(kLength, false), 0);
    EXPECT_EQ(engine.track().length(), kLength);
    EXPECT_EQ(engine.close(), 0);
}

}  // namespace
}  // namespace brenvik
