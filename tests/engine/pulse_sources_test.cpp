// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the source through the sound-server back end, against a server private to each test:
// PulseAudio, and PipeWire with its pulse service where it can run here. Two null sinks, A and B;
// the server's default source is B's monitor, while a player plays a counter pattern into A.
// Every wait is bounded; a server that cannot start skips the test, saying why.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "brenvik.h"
#include "pulse_server.h"
#include "transport_steps.h"
#include "wav_image.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Flavour = PulseServer::Flavour;

constexpr int32_t kRate = 44100;

struct Source {
    std::string name;
    std::string description;
    std::string kind;
};

// ListSources, parsed; empty when it fails.
std::vector<Source> listedSources()
{
    const int32_t size = ListSources(nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    if (ListSources(text.data(), size) != size) {
        return {};
    }
    std::vector<Source> sources;
    std::istringstream lines(text.c_str());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Source source;
        std::getline(fields, source.name, '\t');
        std::getline(fields, source.description, '\t');
        std::getline(fields, source.kind, '\t');
        sources.push_back(source);
    }
    return sources;
}

class PulseSourcesTest : public ::testing::TestWithParam<Flavour> {
protected:
    void SetUp() override
    {
        const bool pipeWire = GetParam() == Flavour::kPipeWire;
        dir_ = fs::temp_directory_path() /
               ("brenvik-sources-" + std::to_string(::getpid()) + (pipeWire ? "-pw" : "-pa"));
        fs::remove_all(dir_);
        server_ =
            std::make_unique<PulseServer>(dir_, std::vector<std::string>{"A", "B"}, GetParam());
        if (!server_->ready()) {
            GTEST_SKIP() << (pipeWire ? "PipeWire with pipewire-pulse and wireplumber cannot run "
                                        "headless here: "
                                      : "no PulseAudio server could be started here: ")
                         << server_->failure();
        }
        server_->makeThisProcessAClient();
        ::setenv("BRENVIK_AUDIO", "pulse", 1);
        ASSERT_TRUE(server_->pactl({"set-default-source", "B.monitor"}));
    }
    void TearDown() override
    {
        CloseLib();
        server_.reset();
        fs::remove_all(dir_);
    }

    // Plays a long counter pattern into sink A, with room to spare on a busy machine.
    std::unique_ptr<ChildProcess> playCounterIntoA()
    {
        const fs::path counter = dir_ / "counter.wav";
        wav_image::writeFile(counter, wav_image::wave(wav_image::counterFrames(30 * kRate)));
        return server_->start({"paplay", "--device=A", "--latency-msec=200", counter.string()});
    }

    fs::path dir_;
    std::unique_ptr<PulseServer> server_;
};

TEST_P(PulseSourcesTest, AChosenMonitorRecordsItsOutputSampleForSample_AndADeadServerHoldsNothing)
{
    auto player = playCounterIntoA();
    const int32_t length = 2 * kRate;
    ASSERT_EQ(OpenLib(length, 0), 0);

    const std::vector<Source> sources = listedSources();
    const auto listed = [&](const std::string& name) {
        for (const Source& source : sources) {
            if (source.name == name) {
                return source;
            }
        }
        return Source{};
    };
    EXPECT_EQ(listed("A.monitor").kind, "monitor");
    EXPECT_FALSE(listed("A.monitor").description.empty());
    EXPECT_EQ(listed("B.monitor").kind, "monitor");
    char tooSmall[4] = "xyz";
    EXPECT_EQ(ListSources(tooSmall, sizeof tooSmall), ListSources(nullptr, 0));
    EXPECT_STREQ(tooSmall, "");

    EXPECT_EQ(SelectSource("no.such.source"), BRENVIK_ERR_BAD_DEVICE);
    ASSERT_EQ(SelectSource("A.monitor"), 0);

    const auto recordPressed = std::chrono::steady_clock::now();
    ASSERT_EQ(RecordWav(), 0);
    ASSERT_TRUE(eventually([] { return GetPosition() > 0; }, 5s)) << "nothing was recorded";
    const auto firstFrame = std::chrono::steady_clock::now() - recordPressed;
    EXPECT_EQ(SelectSource("B.monitor"), BRENVIK_ERR_STILL_PLAYING);
    ASSERT_TRUE(eventually([] { return GetPosition() >= kRate; }, 10s));

    // The server dies while recording: Stop does not wait for it, and what was recorded stays.
    server_->kill();
    auto stopPressed = std::chrono::steady_clock::now();
    StopWav();
    auto waited = std::chrono::steady_clock::now() - stopPressed;
    EXPECT_EQ(IsPlaying(), 0);

    // The turned track ends with the recording: after the silence before the player's first
    // frame, an unbroken run of the counter.
    int32_t start = 0;
    while (start < length && counterAt(start) == 0) {
        ++start;
    }
    int32_t breaks = 0;
    for (int32_t frame = start; frame + 1 < length; ++frame) {
        breaks += counterAt(frame + 1) != counterAt(frame) + 1;
    }
    const int32_t firstCounter = counterAt(start);
    const int32_t lastCounter = counterAt(length - 1);

    stopPressed = std::chrono::steady_clock::now();
    CloseLib();
    waited += std::chrono::steady_clock::now() - stopPressed;
    EXPECT_LT(waited, 2s) << "StopWav and CloseLib waited for a server that is gone";
    EXPECT_EQ(OpenLib(kRate, 0), BRENVIK_ERR_BAD_DEVICE) << "no server answers any more";
    EXPECT_EQ(ListSources(nullptr, 0), -BRENVIK_ERR_BAD_DEVICE);

    EXPECT_LE(start, length - kRate / 2) << "too little of the player was recorded";
    std::printf("first frame recorded %.1f ms after RecordWav\n",
                std::chrono::duration<double, std::milli>(firstFrame).count());
    // A headless PipeWire with no real clock behind its null sinks drops periods of its own on a
    // loaded machine (seen under AddressSanitizer), so there the run is checked only where
    // PulseAudio is not; the recording path is the same.
    if (GetParam() == Flavour::kPipeWire && breaks > 0) {
        GTEST_SKIP() << "PipeWire's null sink dropped periods (" << breaks << " breaks)";
    }
    EXPECT_EQ(breaks, 0) << "the recording runs from counter " << firstCounter << " to "
                         << lastCounter;
}

INSTANTIATE_TEST_SUITE_P(Servers, PulseSourcesTest,
                         ::testing::Values(Flavour::kPulseAudio, Flavour::kPipeWire),
                         [](const ::testing::TestParamInfo<Flavour>& info) {
                             return std::string(info.param == Flavour::kPipeWire ? "PipeWire"
                                                                                 : "PulseAudio");
                         });

}  // namespace
