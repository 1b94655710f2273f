// SPDX-License-Identifier: GPL-3.0-or-later
// The titles players announce on the session bus while the editor records from the simulated
// card, over the engine library of this build and a private bus with test players on it: each
// mark lands on the audio the card captured when the announcement came, a ring's wrap drops
// those whose audio it overwrote, a paused player gives way to the playing one. Without a
// session bus a recording runs as before, silently. QUORVEL_TEST_BUS=private starts the bus.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "editor.h"
#include "fake_window.h"
#include "player_watch.h"
#include "real_engine.h"
#include "session_bus.h"
#include "stderr_capture.h"
#include "track_length.h"

namespace {

constexpr int32_t kRing = kFramesPerMegabyte;  // 5.9 s
constexpr int kSpeed = 2;                      // the card runs at twice real time
constexpr double kRate = BRENVIK_SAMPLE_RATE;
constexpr int64_t kPeriod = 441;  // the simulated card's

// Frame n of the simulated card's counter pattern: left n & 0xFFFF, right n >> 16. The card's
// count starts with the recording.
int64_t counterAt(EngineApi& engine, int32_t frame)
{
    const auto left = uint32_t(uint16_t(engine.TrackRead(2 * frame)));
    const auto right = uint32_t(uint16_t(engine.TrackRead(2 * frame + 1)));
    return int64_t(left | (right << 16));
}

void pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

class RecordingWithPlayers : public ::testing::Test {
protected:
    FakeWindow window;
    EngineApi& engine = realEngine();
    Editor editor{engine, window};
    PlayerWatch watch;
    int32_t lastPosition = 0;
    int64_t wraps = 0;

    void SetUp() override
    {
        setenv("BRENVIK_SIM_SPEED", std::to_string(kSpeed).c_str(), 1);
        window.settings["Defaults/Memory"] = std::to_string(kRing);
        window.onFollowPlayers = [this](PlayerListener* listener) { watch.follow(listener); };
        editor.startup();
        ASSERT_TRUE(editor.state().frm.bInitLib);
    }

    void TearDown() override
    {
        editor.files().closeDevices();
        unsetenv("BRENVIK_SIM_SPEED");
    }

    // The frames recorded so far, from the card's ring position and the wraps seen.
    int64_t recorded()
    {
        const int32_t position = engine.GetPosition();
        if (position < lastPosition) ++wraps;
        lastPosition = position;
        return wraps * kRing + position;
    }

    // Records for `frames`, calling pass with the frames recorded at each pass of the loop.
    void recordFor(int64_t frames, const std::function<void(int64_t)>& pass)
    {
        lastPosition = 0;
        wraps = 0;
        window.onEvents = [&] {
            pumpEvents();
            const int64_t now = recorded();
            if (pass) pass(now);
            if (now >= frames) editor.transport().stop();
        };
        editor.transport().record();
        window.onEvents = nullptr;
    }
};

// One announcement of the take: when, by which player, and the mark it leaves, if any.
struct Announced {
    double atSeconds;
    int player;  // 0 plays, 1 is paused
    std::string command;
    std::optional<TitleMark> mark;  // its frame is checked against the audio
    int64_t before = 0;             // recorded frames when the command went out
    int64_t after = 0;              // and when the player had signalled it
};

TEST_F(RecordingWithPlayers, MarksLandOnTheAudioCapturedAtTheAnnouncement_AfterAWrapToo)
{
    FakePlayer playing("radio", "Playing", R"({"xesam:title": "Opening Song"})");
    FakePlayer paused("shelf", "Paused", R"({"xesam:title": "Paused Song"})");
    ASSERT_TRUE(playing.ready() && paused.ready()) << playing.output() << paused.output();
    FakePlayer* players[] = {&playing, &paused};

    // The take is 8.4 s in a 5.9 s ring: what was announced in its first 2.5 s is overwritten.
    std::vector<Announced> steps{
        {0.5, 0, R"({"metadata": {"xesam:title": "Gone Song", "xesam:artist": ["Band B"]}})", {}},
        {4.0, 0,
         R"({"metadata": {"xesam:title": "Station X", "vlc:nowplaying": "Artist C - Song C"}})",
         TitleMark{0, "Artist C", "Song C", ""}},
        {5.0, 1, R"({"metadata": {"xesam:title": "Not Playing"}})", {}},
        {7.0, 0,
         R"({"metadata": {"xesam:title": "Song D", "xesam:artist": ["Band D", "Guest"], )"
         R"("xesam:album": "Album D"}})",
         TitleMark{0, "Band D, Guest", "Song D", "Album D"}},
    };
    size_t next = 0;
    recordFor(int64_t(8.4 * kRate), [&](int64_t now) {
        if (next == steps.size() || now < steps[next].atSeconds * kRate) return;
        Announced& step = steps[next++];
        step.before = now;
        EXPECT_TRUE(players[step.player]->announce(step.command, pumpEvents)) << step.command;
        step.after = recorded();
    });

    const std::vector<TitleMark>& marks = editor.state().titleMarks;
    auto mark = marks.begin();
    for (const Announced& step : steps) {
        if (!step.mark) continue;
        ASSERT_NE(mark, marks.end()) << "no mark for " << step.mark->title;
        EXPECT_EQ(mark->artist + "|" + mark->title + "|" + mark->album,
                  step.mark->artist + "|" + step.mark->title + "|" + step.mark->album);
        const int64_t captured = counterAt(engine, mark->frame);
        // The card hands over a period at a time: the position read and the frames it captured
        // may stand a period apart.
        EXPECT_GE(captured, step.before - kPeriod) << mark->title;
        EXPECT_LE(captured, step.after + kPeriod) << mark->title;
        std::cout << "[ placement ] " << mark++->title << ": marked " << captured - step.before
                  << " frames after the command, " << step.after - step.before
                  << " frames from the command to the player's answer\n";
    }
    EXPECT_EQ(mark, marks.end()) << "more marks than announcements that leave one";
}

// What plays at Record is marked at the recording's start; a player that appears during the
// take is followed.
TEST_F(RecordingWithPlayers, WhatPlaysAtRecordAndAPlayerThatAppearsLaterAreMarked)
{
    FakePlayer playing("radio", "Playing",
                       R"({"xesam:title": "Opening Song", "xesam:artist": ["Band A"]})");
    ASSERT_TRUE(playing.ready()) << playing.output();
    std::optional<FakePlayer> late;
    int64_t startedAt = 0;
    recordFor(2 * BRENVIK_SAMPLE_RATE, [&](int64_t now) {
        if (late || now < BRENVIK_SAMPLE_RATE / 2) return;
        startedAt = now;
        late.emplace("late", "Playing", R"({"xesam:title": "Late Song"})");
    });

    ASSERT_TRUE(late && late->ready());
    const std::vector<TitleMark>& marks = editor.state().titleMarks;
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].artist + " - " + marks[0].title, "Band A - Opening Song");
    // The first mark is on the recording, within a tenth of a second of its first frame.
    const int64_t captured = counterAt(engine, marks[0].frame);
    EXPECT_EQ(counterAt(engine, marks[0].frame + 1000), captured + 1000);
    EXPECT_LT(captured, BRENVIK_SAMPLE_RATE / 10);
    std::cout << "[ placement ] at Record: marked " << captured << " frames after the start\n";
    EXPECT_EQ(marks[1].title, "Late Song");
    EXPECT_GE(counterAt(engine, marks[1].frame), startedAt - kPeriod);
}

// Run with DBUS_SESSION_BUS_ADDRESS pointing where no bus listens.
using NoSessionBus = RecordingWithPlayers;
TEST_F(NoSessionBus, ARecordingRunsQuietlyWithoutMarks)
{
    window.log.clear();
    StderrCapture errors;
    int passes = 0;
    window.onEvents = [&] {
        pumpEvents();
        if (++passes == 20) editor.transport().stop();
    };
    editor.transport().record();
    window.onEvents = nullptr;

    EXPECT_EQ(errors.text(), "");
    EXPECT_TRUE(editor.state().titleMarks.empty());
    for (const std::string& entry : window.log) EXPECT_NE(entry.rfind("message: ", 0), 0u) << entry;
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // The bus must be set before Qt first reaches for it, and outlives every test.
    std::optional<PrivateSessionBus> bus;
    if (const char* kind = std::getenv("QUORVEL_TEST_BUS");
        kind && std::string(kind) == "private") {
        bus.emplace();
        if (!bus->running()) {
            std::cerr << "the private session bus did not start\n";
            return 1;
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", bus->address().c_str(), 1);
    }
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
