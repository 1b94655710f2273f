// SPDX-License-Identifier: GPL-3.0-or-later
// Control > Input Source, the stored choice at start, and the lost input told and marked after a
// recording's stop, against the fake engine and window.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "editor_fixture.h"

namespace {

class InputSourceTest : public EditorFixture {
protected:
    void SetUp() override
    {
        fakeEngine.sources =
            "alsa_input.usb\tUSB Audio Line In\tinput\n"
            "alsa_output.pci.monitor\tBuilt-in Audio\tmonitor\n";
    }
};

TEST_F(InputSourceTest, TheMenuListsTheSourcesAndTheChoiceIsKeptAndShown)
{
    startUp();
    EXPECT_EQ(window.recordingSource, "Recording from: Default input");

    window.sourcePick = 2;
    editor.transport().chooseInputSource();
    ASSERT_EQ(window.sourceMenus.size(), 1u);
    EXPECT_EQ(window.sourceMenus[0], (std::vector<std::string>{"Default input", "USB Audio Line In",
                                                               "What Built-in Audio plays"}));
    EXPECT_EQ(fakeEngine.selectedSource, "alsa_output.pci.monitor");
    EXPECT_EQ(window.settings["Defaults/Source"], "alsa_output.pci.monitor");
    EXPECT_EQ(window.recordingSource, "Recording from: What Built-in Audio plays");

    // Opened again, the menu checks the choice; nothing picked changes nothing.
    window.sourcePick = -1;
    editor.transport().chooseInputSource();
    EXPECT_EQ(window.log.back(), "source menu, checked 2");
    EXPECT_EQ(fakeEngine.selectedSource, "alsa_output.pci.monitor");

    // The next start chooses the stored source in the engine it opens.
    FakeEngine nextEngine;
    nextEngine.sources = fakeEngine.sources;
    EngineApi nextApi = nextEngine.api();
    FakeWindow nextWindow;
    nextWindow.settings = window.settings;
    Editor next(nextApi, nextWindow);
    next.startup();
    EXPECT_EQ(nextEngine.selectedSource, "alsa_output.pci.monitor");
    EXPECT_EQ(nextWindow.recordingSource, "Recording from: What Built-in Audio plays");
}

TEST_F(InputSourceTest, AStoredSourceThatIsGoneFallsBackToTheDefaultNamingIt)
{
    window.settings["Defaults/Source"] = "alsa_input.unplugged";
    editor.startup();
    EXPECT_NE(std::find(window.log.begin(), window.log.end(),
                        "message: The input source \"alsa_input.unplugged\" is not there any "
                        "more; Quorvel records from the default input."),
              window.log.end());
    EXPECT_EQ(fakeEngine.selectedSource, "");
    EXPECT_EQ(window.settings["Defaults/Source"], "");
    EXPECT_EQ(window.recordingSource, "Recording from: Default input");
}

TEST_F(InputSourceTest, LostInputIsToldAfterStopAndMarkedOnTheTimeAxis)
{
    startUp();
    fakeEngine.lostInput = {1000, 441, 500000, 882};  // 1323 frames: 30 ms
    editor.transport().record();
    EXPECT_EQ(window.log.back(),
              "message: 30 ms of the input were lost while recording (the computer was too busy).");

    std::vector<int32_t> marked;
    for (const ViewOp& line : window.fakeView.linesIn(editor.state().frm.RED)) {
        if (line.y1 == 0 && line.y2 == 8) marked.push_back(line.x1);
    }
    EXPECT_EQ(marked,
              (std::vector<int32_t>{editor.view().frameToX(1000), editor.view().frameToX(500000)}));

    // A recording that loses nothing says nothing, and the old marks go.
    fakeEngine.lostInput.clear();
    window.log.clear();
    window.fakeView.ops.clear();
    editor.transport().record();
    EXPECT_TRUE(std::none_of(window.log.begin(), window.log.end(), [](const std::string& line) {
        return line.find("lost") != std::string::npos;
    }));
    for (const ViewOp& line : window.fakeView.linesIn(editor.state().frm.RED)) {
        EXPECT_FALSE(line.y1 == 0 && line.y2 == 8) << "a mark at column " << line.x1;
    }
}

// A recording whose source went away and went on from another: after the stop each change is
// told with where it happened, and marked on the time axis like lost input.
TEST_F(InputSourceTest, ASourceThatWentAwayIsToldAfterStopAndMarkedOnTheTimeAxis)
{
    struct Case {
        const char* name;
        std::string changes;
        std::vector<std::string> told;
        std::vector<int32_t> marked;
    };
    const Case cases[] = {
        {"none", "", {}, {}},
        {"headset unplugged",
         "3969000\tUSB Headset\tBuilt-in Audio Analog Stereo\n",
         {"message: The source USB Headset went away at 1:30; the rest was recorded from Built-in "
          "Audio Analog Stereo."},
         {3969000}},
        {"two in turn",
         "44100\tA\tB\n2690100\tB\tC\n",
         {"message: The source A went away at 0:01; the rest was recorded from B.",
          "message: The source B went away at 1:01; the rest was recorded from C."},
         {44100, 2690100}},
    };
    startUp();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakeEngine.sourceChanges = c.changes;
        window.log.clear();
        window.fakeView.ops.clear();
        editor.transport().record();
        std::vector<std::string> told;
        std::copy_if(
            window.log.begin(), window.log.end(), std::back_inserter(told),
            [](const std::string& line) { return line.find("went away") != std::string::npos; });
        EXPECT_EQ(told, c.told);
        std::vector<int32_t> marked;
        for (const ViewOp& line : window.fakeView.linesIn(editor.state().frm.RED)) {
            if (line.y1 == 0 && line.y2 == 8) marked.push_back(line.x1);
        }
        std::vector<int32_t> expected;
        for (const int32_t frame : c.marked) expected.push_back(editor.view().frameToX(frame));
        EXPECT_EQ(marked, expected);
    }
}

}  // namespace
