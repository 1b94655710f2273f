// SPDX-License-Identifier: GPL-3.0-or-later
// Play, Record, Stop and the follow loop: first against a scripted engine whose transport runs
// for a set number of passes (the marker and the order of the steps, exactly), then against the
// real engine on the simulated card (what is recorded and what is played).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "editor.h"
#include "editor_fixture.h"
#include "fake_window.h"
#include "track_length.h"
#ifdef BRENVIK_LIBRARY_PATH
#include "real_engine.h"
#endif

namespace fs = std::filesystem;

namespace {

// What the message box says under a device that died (code 6).
const std::string kGivenUp =
    "The sound device stopped answering and was given up; what was recorded until then is kept. "
    "Check that the sound server runs, then try again.";

// The transport half of an engine, played from a script: it reports itself active for the
// next activePasses questions and answers GetPosition with position.
struct TransportScript {
    std::vector<std::string> calls;
    int32_t playResult = 0;
    int32_t recordResult = 0;
    int32_t stopResult = 0;
    int32_t activePasses = 0;
    int32_t position = 0;
    std::function<void()> onStop;  // runs inside StopWav
};

TransportScript* script = nullptr;

int32_t scriptedPlay(int32_t from, int32_t to)
{
    script->calls.push_back("PlayWav " + std::to_string(from) + " " + std::to_string(to));
    return script->playResult;
}

int32_t scriptedRecord()
{
    script->calls.push_back("RecordWav");
    return script->recordResult;
}

int32_t scriptedStop()
{
    script->calls.push_back("StopWav");
    if (script->onStop) script->onStop();
    return script->stopResult;
}

int32_t scriptedIsPlaying()
{
    script->calls.push_back("IsPlaying");
    if (script->activePasses <= 0) return 0;
    --script->activePasses;
    return 1;
}

int32_t scriptedPosition()
{
    script->calls.push_back("GetPosition");
    return script->position;
}

// Whether the editor has switched controls and every one of them is now in state: all off
// while locked, all on once unlocked. Which controls those are, and that a locked one does not
// run its command, is the main window's test.
bool allControls(const FakeWindow& window, bool state)
{
    if (window.enabled.empty()) return false;
    for (const auto& [control, enabled] : window.enabled)
        if (enabled != state) return false;
    return true;
}

// Frames of the default track whose marker sits in a given column of the 649-column view, at
// 1048576 / 649 = 1615.68 frames a column.
constexpr int32_t kFrameAtColumn1 = 1616;
constexpr int32_t kFrameAtColumn50 = 80784;
constexpr int32_t kFrameAtColumn100 = 161568;
constexpr int32_t kFrameAtColumn200 = 323136;
constexpr int32_t kFrameAtColumn300 = 484704;
constexpr int32_t kFrameAtColumn648 = 1046960;

std::vector<std::string> without(const std::vector<std::string>& calls, const std::string& polled)
{
    std::vector<std::string> kept;
    for (const std::string& call : calls)
        if (call != polled) kept.push_back(call);
    return kept;
}

class ScriptedTransport : public EditorFixture {
protected:
    TransportScript transport;

    void SetUp() override
    {
        script = &transport;
        engine.PlayWav = scriptedPlay;
        engine.RecordWav = scriptedRecord;
        engine.StopWav = scriptedStop;
        engine.IsPlaying = scriptedIsPlaying;
        engine.GetPosition = scriptedPosition;
        startUp();
    }
    void TearDown() override { script = nullptr; }

    // The marker lines drawn so far: vertical lines across the whole view in the XOR pen.
    std::vector<int32_t> markerColumns() const
    {
        std::vector<int32_t> columns;
        for (const ViewOp& op : window.fakeView.ops) {
            if (op.kind != ViewOp::Line) continue;
            EXPECT_EQ(op.mode, PenMode::Xor);
            EXPECT_EQ(op.x1, op.x2);
            EXPECT_EQ(op.y1, 0);
            EXPECT_EQ(op.y2, 129);
            columns.push_back(op.x1);
        }
        return columns;
    }
};

TEST_F(ScriptedTransport, StopWhileIdle_OnlyClearsTheRunFlag)
{
    editor.state().frm.WAVEPLAYING = true;
    editor.transport().stop();
    EXPECT_FALSE(editor.state().frm.WAVEPLAYING);
    EXPECT_TRUE(transport.calls.empty());
    EXPECT_TRUE(window.log.empty());
    EXPECT_TRUE(window.enabled.empty());
}

TEST_F(ScriptedTransport, Play_PlaysTheSelectionUntilTheEngineIsIdle_ThenStops)
{
    editor.selection().select(5000, 70000);
    transport.activePasses = 3;
    int passes = 0;
    window.onEvents = [&] {
        ++passes;
        EXPECT_TRUE(allControls(window, false));
    };
    editor.transport().play();

    EXPECT_EQ(passes, 3);
    EXPECT_EQ(without(without(transport.calls, "IsPlaying"), "GetPosition"),
              (std::vector<std::string>{"PlayWav 5000 70000", "StopWav"}));
    EXPECT_TRUE(allControls(window, true));
    // The playback ended by itself: nothing runs any more.
    EXPECT_FALSE(editor.state().frm.WAVEPLAYING);
    EXPECT_TRUE(window.log == std::vector<std::string>{"busy hide"});
}

TEST_F(ScriptedTransport, Play_EmptySelectionGoesToTheEngineAsItIs)
{
    editor.selection().select(777, 777);
    editor.transport().play();
    EXPECT_EQ(without(transport.calls, "IsPlaying"),
              (std::vector<std::string>{"PlayWav 777 777", "StopWav"}));
    EXPECT_TRUE(allControls(window, true));
}

TEST_F(ScriptedTransport, Marker_ShownWhileTheEventsAreHandled_AtClipbeginPlusPosition)
{
    editor.selection().select(kFrameAtColumn100, editor.state().selection->clipend);
    transport.position = kFrameAtColumn300 - kFrameAtColumn100;
    transport.activePasses = 2;
    std::vector<size_t> opsAtEvents;
    window.onEvents = [&] {
        opsAtEvents.push_back(window.fakeView.ops.size());
        // A selection made with the mouse during playback moves the marker on the next pass.
        editor.selection().select(kFrameAtColumn200, editor.state().selection->clipend);
    };
    editor.transport().play();

    // Drawn before the first events; moved (erased, drawn) before the second; erased once the
    // loop is over, so no marker is left.
    EXPECT_EQ(markerColumns(), (std::vector<int32_t>{300, 300, 400, 400}));
    EXPECT_EQ(opsAtEvents, (std::vector<size_t>{1, 3}));
    EXPECT_EQ(window.fakeView.ops[0].color, editor.state().frm.RED);
}

TEST_F(ScriptedTransport, Marker_StandingStill_IsDrawnOnceAndErasedAtTheEnd)
{
    transport.position = kFrameAtColumn50;
    transport.activePasses = 4;
    editor.transport().play();
    EXPECT_EQ(markerColumns(), (std::vector<int32_t>{50, 50}));
}

TEST_F(ScriptedTransport, Marker_NotDrawnAtOrLeftOfTheLeftEdgeNorAtOrBeyondTheWidth)
{
    struct Case {
        int32_t zoom, viewPosition, frame;
        bool drawn;
    };
    const int32_t trklen = editor.state().mod->trklen;
    const Case cases[] = {
        {1, 0, 0, false},                 // column 0
        {1, 0, kFrameAtColumn1, true},    // column 1
        {1, 0, kFrameAtColumn648, true},  // the last column
        {1, 0, trklen - 2, false},        // column 649: the width
        {256, 0, trklen / 2, false},      // zoomed in, right of the visible window
        {256, 32767, 1000, false},        // zoomed in, left of it
    };
    for (const Case& c : cases) {
        setZoom(c.zoom, c.viewPosition);
        window.fakeView.ops.clear();
        editor.selection().select(0, editor.state().selection->clipend);
        transport.position = c.frame;
        transport.activePasses = 1;
        editor.transport().play();
        EXPECT_EQ(markerColumns().size(), c.drawn ? 2u : 0u) << c.zoom << " " << c.frame;
    }
}

TEST_F(ScriptedTransport, Marker_OffWhileTheEngineIsNotOpen)
{
    editor.files().closeDevices();
    window.fakeView.ops.clear();
    transport.position = 100000;
    transport.activePasses = 2;
    editor.transport().play();
    EXPECT_TRUE(markerColumns().empty());
    EXPECT_TRUE(allControls(window, true));
}

TEST_F(ScriptedTransport, FailedPlay_ReportsTheCodeAndStillFollowsUntilStop)
{
    transport.playResult = -7;
    transport.stopResult = 11;
    transport.activePasses = 1000000;  // an engine whose start failed reports itself active
    int passes = 0;
    window.onEvents = [&] {
        if (++passes == 5) editor.transport().stop();
    };
    editor.transport().play();

    EXPECT_EQ(passes, 5);
    // A code no device export gives has no words under it.
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "message: Error in PlayTrack: -7", "busy hide",
                              "message: Error in StopTrack: 11\n\nThe sound system was "
                              "handed no audio buffer, a fault inside Quorvel. Try again; if "
                              "it keeps failing, restart Quorvel."}));
    EXPECT_FALSE(editor.state().frm.WAVEPLAYING);
    EXPECT_TRUE(allControls(window, true));
}

TEST_F(ScriptedTransport, Record_SelectsTheRingFollowsUntilStopThenReordersUnderTheBusyWindow)
{
    editor.selection().select(100, 200);
    transport.recordResult = 6;
    transport.stopResult = -2;
    transport.activePasses = 1000000;
    // Until the ring is turned the card still records: the busy window lets events in, and no
    // control may start another transport or reopen the track meanwhile.
    bool lockedWhileReordering = false;
    bool lockedAtStopWav = false;
    window.onBusyInit = [&] { lockedWhileReordering = allControls(window, false); };
    transport.onStop = [&] { lockedAtStopWav = allControls(window, false); };
    window.onEvents = [&] {
        EXPECT_EQ(editor.state().selection->clipbegin, 0);
        EXPECT_EQ(editor.state().selection->clipend, editor.state().mod->trklen - 2);
        EXPECT_TRUE(allControls(window, false));
        editor.transport().stop();
    };
    editor.transport().record();

    EXPECT_TRUE(lockedWhileReordering);
    EXPECT_TRUE(lockedAtStopWav);
    EXPECT_TRUE(allControls(window, true));
    EXPECT_EQ(without(without(transport.calls, "IsPlaying"), "GetPosition"),
              (std::vector<std::string>{"RecordWav", "StopWav"}));
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"message: Error in RecordTrack: 6\n\n" + kGivenUp,
                                        "busy hide", "busy text: Reordering track...", "busy init",
                                        "message: Error in StopTrack: -2", "busy hide"}));
    // The redraw shows the whole ring selected.
    const ViewOp& selection = window.fakeView.ops.back();
    EXPECT_EQ(selection.kind, ViewOp::Rectangle);
    EXPECT_EQ(selection.x1, editor.view().frameToX(0));
    EXPECT_EQ(selection.x2, editor.view().frameToX(editor.state().mod->trklen - 2));
}

// The engine gives a transport up when its device dies (a sound server killed): IsPlaying drops
// and StopWav returns 6. The loop ends at the pass that sees it and the user is told at once;
// pressing Stop while the device hangs is a failed stop.
TEST_F(ScriptedTransport, DeviceThatDies_EndsTheLoopAndIsReportedAtOnce)
{
    struct Case {
        const char* name;
        bool record;
        bool pressStop;
        std::vector<std::string> log;
    };
    const std::vector<std::string> reordering{
        "busy hide", "busy text: Reordering track...", "busy init",
        "message: Error in StopTrack: 6\n\n" + kGivenUp, "busy hide"};
    const Case cases[] = {
        {"recording", true, false, reordering},
        {"recording stopped", true, true, reordering},
        {"playback", false, false, {"busy hide", "message: Error in PlayTrack: 6\n\n" + kGivenUp}},
        {"playback stopped",
         false,
         true,
         {"busy hide", "message: Error in StopTrack: 6\n\n" + kGivenUp}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.log.clear();
        transport.calls.clear();
        transport.stopResult = 6;
        transport.activePasses = c.pressStop ? 1000000 : 3;
        editor.selection().select(10, 1000);
        int passes = 0;
        window.onEvents = [&] {
            if (++passes == 3 && c.pressStop) editor.transport().stop();
        };
        c.record ? editor.transport().record() : editor.transport().play();

        EXPECT_EQ(passes, 3);
        EXPECT_EQ(window.log, c.log);
        EXPECT_EQ(
            without(without(transport.calls, "IsPlaying"), "GetPosition"),
            (std::vector<std::string>{c.record ? "RecordWav" : "PlayWav 10 1000", "StopWav"}));
        EXPECT_TRUE(allControls(window, true));
        EXPECT_FALSE(editor.state().frm.WAVEPLAYING);  // nothing runs: the window may close
    }
}

TEST_F(ScriptedTransport, Record_MovesTheRectangleOnScreenToTheWholeTrackBeforeFollowing)
{
    editor.selection().mouseDown(100.0f);
    editor.selection().mouseUp(200.0f);
    window.fakeView.ops.clear();
    transport.activePasses = 1000000;
    std::vector<ViewOp> rectanglesAtEvents;
    window.onEvents = [&] {
        for (const ViewOp& op : window.fakeView.ops)
            if (op.kind == ViewOp::Rectangle) rectanglesAtEvents.push_back(op);
        editor.transport().stop();
    };
    editor.transport().record();

    // A drag during the recording erases by drawing again: what it erases must be on screen.
    ASSERT_EQ(rectanglesAtEvents.size(), 2u);
    EXPECT_EQ(std::pair(rectanglesAtEvents[0].x1, rectanglesAtEvents[0].x2), std::pair(100, 200));
    EXPECT_EQ(std::pair(rectanglesAtEvents[1].x1, rectanglesAtEvents[1].x2), std::pair(0, 648));
    EXPECT_EQ(rectanglesAtEvents[1].mode, PenMode::Xor);
}

TEST_F(ScriptedTransport,
       Meter_RecordingReadsTheFramesBehindEachPassesPosition_IdleEmptyWithTheClipKept)
{
    fakeEngine.track[2 * 3999] = 32767;  // written just before the second pass's position
    transport.activePasses = 1000000;
    transport.position = 2000;
    std::vector<int32_t> readsPerPass;
    std::vector<MeterChannel> leftPerPass;
    int32_t readsBefore = fakeEngine.readCount;
    window.onEvents = [&] {
        readsPerPass.push_back(fakeEngine.readCount - readsBefore);
        readsBefore = fakeEngine.readCount;
        leftPerPass.push_back(window.meterShown()[kMeterLeft]);
        transport.position = 4000;
        if (readsPerPass.size() == 3) editor.transport().stop();
    };
    editor.transport().record();

    EXPECT_EQ(readsPerPass, (std::vector<int32_t>{2 * 2000, 2 * 2000, 0}));
    EXPECT_EQ(leftPerPass[0], MeterChannel{});
    EXPECT_EQ(leftPerPass[1], (MeterChannel{0, 0, true}));
    EXPECT_EQ(window.meterShown()[kMeterLeft], (MeterChannel{kMeterFloor, kMeterFloor, true}));

    // The next recording starts with the clip marks dark.
    fakeEngine.track[2 * 3999] = 0;
    transport.activePasses = 1000000;
    readsPerPass.clear();
    editor.transport().record();
    EXPECT_FALSE(leftPerPass.back().clip);
}

TEST_F(ScriptedTransport, Meter_PlayingReadsFromWhereThePlaybackStarted_EvenAfterANewSelection)
{
    editor.selection().select(5000, 9000);
    fakeEngine.track[2 * 5100] = 16384;  // heard in the first pass
    fakeEngine.track[2 * 2000] = 32767;  // where a meter following the new selection would read
    transport.activePasses = 2;
    transport.position = 1500;
    std::vector<MeterChannel> leftPerPass;
    window.onEvents = [&] {
        leftPerPass.push_back(window.meterShown()[kMeterLeft]);
        editor.selection().select(
            0, editor.state().selection->clipend);  // a selection made with the mouse meanwhile
        transport.position = 3000;
    };
    editor.transport().play();

    ASSERT_EQ(leftPerPass.size(), 2u);
    EXPECT_EQ(leftPerPass[0].level, -60);
    EXPECT_FALSE(leftPerPass[1].clip);
    EXPECT_EQ(window.meterShown()[kMeterLeft], MeterChannel{});
}

#ifdef BRENVIK_LIBRARY_PATH

// ---- Against the real engine on the simulated card ------------------------------------------

// Frame n of the simulated card's counter pattern: left n & 0xFFFF, right n >> 16.
uint32_t counterAt(EngineApi& engine, int32_t frame)
{
    const auto left = uint32_t(uint16_t(engine.TrackRead(2 * frame)));
    const auto right = uint32_t(uint16_t(engine.TrackRead(2 * frame + 1)));
    return left | (right << 16);
}

std::vector<int16_t> readRaw(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<int16_t> values(bytes.size() / 2);
    std::memcpy(values.data(), bytes.data(), values.size() * 2);
    return values;
}

class RealTransport : public ::testing::Test {
protected:
    FakeWindow window;
    EngineApi& engine = realEngine();
    Editor editor{engine, window};
    fs::path played =
        fs::temp_directory_path() / ("quorvel-played-" + std::to_string(getpid()) + ".raw");

    // speed: how many times faster than real time the card runs.
    void startUp(const char* speed)
    {
        setenv("BRENVIK_SIM_SPEED", speed, 1);
        setenv("BRENVIK_SIM_OUTPUT", played.c_str(), 1);
        fs::remove(played);
        window.settings["Defaults/Memory"] = std::to_string(kFramesPerMegabyte);
        editor.startup();
        ASSERT_TRUE(editor.state().frm.bInitLib);
        window.log.clear();
        window.fakeView.ops.clear();
        window.enabled.clear();  // start-up's own lock is over
    }

    void TearDown() override
    {
        editor.files().closeDevices();
        unsetenv("BRENVIK_SIM_SPEED");
        unsetenv("BRENVIK_SIM_OUTPUT");
        fs::remove(played);
    }

    int32_t trklen() const { return editor.state().mod->trklen; }

    // The user's part on every pass of the follow loop. Past the deadline Stop is pressed
    // instead and the test fails, so a transport that never ends cannot hang it.
    void onEachPass(std::function<void()> step)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        window.onEvents = [this, step = std::move(step), deadline] {
            if (std::chrono::steady_clock::now() < deadline) {
                step();
                return;
            }
            ADD_FAILURE() << "the transport still ran after 30 seconds";
            editor.transport().stop();
        };
    }
};

TEST_F(RealTransport, RecordPastAWrap_TrackReadsOldestFirstAndAllButTheLastTwoFramesAreSelected)
{
    startUp("40");
    int32_t last = 0;
    bool wrapped = false;
    onEachPass([&] {
        const int32_t position = engine.GetPosition();
        wrapped = wrapped || position < last;
        last = position;
        if (wrapped && position > trklen() / 3) editor.transport().stop();
    });
    editor.transport().record();

    ASSERT_TRUE(wrapped);
    EXPECT_EQ(engine.IsPlaying(), 0);
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
    EXPECT_EQ(editor.state().selection->clipend, trklen() - 2);
    const uint32_t oldest = counterAt(engine, 0);
    EXPECT_GT(oldest, uint32_t(trklen() / 3));  // the first lap was overwritten
    int32_t breaks = 0;
    for (int32_t frame = 1; frame < trklen(); ++frame)
        breaks += counterAt(engine, frame) != oldest + uint32_t(frame);
    EXPECT_EQ(breaks, 0);
    EXPECT_TRUE(allControls(window, true));
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy hide", "busy text: Reordering track...",
                                                    "busy init", "busy hide"}));
}

TEST_F(RealTransport, PlayASelection_PlaysExactlyItsFrames_ThenTheWindowCloses)
{
    startUp("200");
    for (int32_t index = 0; index < 2 * trklen(); ++index)
        engine.TrackWrite(index, index % 30011 - 15000);
    editor.selection().select(12345, 200000);
    bool lockedWhilePlaying = true;
    onEachPass([&] { lockedWhilePlaying = lockedWhilePlaying && allControls(window, false); });
    editor.transport().play();

    EXPECT_TRUE(lockedWhilePlaying);
    EXPECT_EQ(engine.IsPlaying(), 0);
    const std::vector<int16_t> values = readRaw(played);
    ASSERT_EQ(values.size(), size_t(2 * (200000 - 12345)));
    int32_t wrong = 0;
    for (size_t i = 0; i < values.size(); ++i)
        wrong += values[i] != engine.TrackRead(2 * 12345 + int32_t(i));
    EXPECT_EQ(wrong, 0);

    // The playback ended by itself: the controls are back and the window closes without Stop.
    EXPECT_TRUE(allControls(window, true));
    EXPECT_FALSE(editor.state().frm.WAVEPLAYING);
    EXPECT_TRUE(editor.files().queryClose());
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "message: Stop track first!"), 0);
}

TEST_F(RealTransport, FadeAndMouseSelection_RunNestedInsideThePlaybackLoop)
{
    startUp("1");
    for (int32_t index = 0; index < 2 * trklen(); ++index) engine.TrackWrite(index, 8000);
    editor.selection().select(0, 100000);
    int passes = 0;
    size_t opsBeforeSelection = 0;
    onEachPass([&] {
        ++passes;
        if (passes == 2) editor.edits().fadeOut();
        if (passes == 3) {
            opsBeforeSelection = window.fakeView.ops.size();
            editor.selection().mouseDown(500.0f);
            editor.selection().mouseUp(600.0f);
        }
        if (passes == 5) editor.transport().stop();
    });
    editor.transport().play();

    EXPECT_EQ(passes, 5);
    EXPECT_EQ(engine.IsPlaying(), 0);
    // The fade ran whole, with its busy window, while the engine played.
    EXPECT_EQ(engine.TrackRead(0), 8000);
    EXPECT_EQ(engine.TrackRead(2 * 100000), 0);
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy hide", "busy text: Applying Effects ...",
                                                    "busy init", "busy hide"}));
    // After the mouse selection the marker starts from the new clipbegin.
    EXPECT_EQ(editor.state().selection->clipbegin,
              201960);  // column 500 at 262144 / 649 = 403.92 frames a column
    bool markerMoved = false;
    for (size_t i = opsBeforeSelection; i < window.fakeView.ops.size(); ++i) {
        const ViewOp& op = window.fakeView.ops[i];
        if (op.kind == ViewOp::Line && op.color == editor.state().frm.RED && op.x1 >= 500)
            markerMoved = true;
    }
    EXPECT_TRUE(markerMoved);
}

#endif  // BRENVIK_LIBRARY_PATH

// What the card records is drawn pass by pass, in the columns it reaches and no further.
TEST_F(ScriptedTransport, Record_DrawsTheFramesRecordedSinceThePassBefore)
{
    // The old track is loud; the card records 20000 frames of a quieter level, then silence.
    std::fill(fakeEngine.track.begin(), fakeEngine.track.begin() + 2 * 50000, int16_t(20000));
    editor.view().trackChanged(0, 50000);
    editor.view().drawTrack();
    const auto recordUpTo = [&](int32_t position) {
        for (int32_t frame = transport.position; frame < position; ++frame)
            fakeEngine.track[2 * size_t(frame)] = fakeEngine.track[2 * size_t(frame) + 1] =
                frame < 20000 ? -8192 : 0;
        transport.position = position;
    };
    transport.activePasses = 1000000;
    // Columns start at frames 16157 (10), 19388 (12), 21004 (13), 24235 (15) and 45239 (28).
    const int32_t positions[] = {16157, 24236, 45239};
    struct Drawn {
        std::pair<int32_t, int32_t> erased{0, -1};  // the columns painted over, both included
        std::set<int32_t> bars;
    };
    std::vector<Drawn> passes;
    size_t pass = 0;
    window.onEvents = [&] {
        Drawn drawn;
        for (const ViewOp& op : window.fakeView.ops) {
            if (op.kind == ViewOp::Rectangle && op.color == 0) drawn.erased = {op.x1, op.x2};
            if (op.kind == ViewOp::Line && op.color == editor.state().frm.RED &&
                op.mode == PenMode::Copy)
                drawn.bars.insert(op.x1);
        }
        passes.push_back(drawn);
        window.fakeView.ops.clear();
        if (pass == std::size(positions)) return editor.transport().stop();
        recordUpTo(positions[pass++]);
    };
    window.fakeView.ops.clear();
    editor.transport().record();

    ASSERT_GE(passes.size(), 4u);
    EXPECT_TRUE(passes[0].bars.empty());
    EXPECT_EQ(passes[1].erased, std::pair(0, 9));
    EXPECT_EQ(passes[1].bars, (std::set<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(passes[2].erased, std::pair(10, 15));
    // Column 15 holds one new frame and old loud ones the card has not reached yet.
    EXPECT_EQ(passes[2].bars, (std::set<int32_t>{10, 11, 12, 15}));
    EXPECT_EQ(passes[3].erased, std::pair(15, 27));
    EXPECT_TRUE(passes[3].bars.empty()) << "recorded silence draws no bars";
}

}  // namespace
