// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up's question about a take an earlier run left unsaved, the files the engine
// refuses, the one message when the track falls back to memory, and the memory-only choice.
#include "editor_fixture.h"
#include "take_list.h"

namespace {

using Strings = std::vector<std::string>;

// ListTakes' line for a file: path, state, frames, length, start, end, source.
std::string takeLine(const std::string& path, const std::string& state, int64_t frames,
                     int32_t length)
{
    return path + "\t" + state + "\t" + std::to_string(frames) + "\t" + std::to_string(length) +
           "\t1700000000000\t1700000065000\t\n";
}

constexpr int32_t kTakeLength = 4 * 1048576;  // 16 MB, about 95 seconds

class TakeRecovery : public EditorFixture {
protected:
    bool shown(const std::string& entry) const
    {
        return std::find(window.log.begin(), window.log.end(), entry) != window.log.end();
    }
};

TEST_F(TakeRecovery, TheStartOffersEachTakeLeftAndOpensTheOneAccepted)
{
    const struct {
        const char* name;
        std::string takes;
        std::vector<MessageAnswer> answers;
        Strings calls;
        bool settingsShown;
        const char* askedLength;
    } cases[] = {
        {"one take, accepted",
         takeLine("/s/take-1.ring", "unsaved", 65 * 44100, kTakeLength),
         {MessageAnswer::Yes},
         {"OpenTake /s/take-1.ring"},
         false,
         "1:05"},
        {"one take, declined: removed, then File New",
         takeLine("/s/take-1.ring", "unsaved", 65 * 44100, kTakeLength),
         {MessageAnswer::No},
         {"DiscardTake /s/take-1.ring", "OpenLib 1048576 0"},
         true,
         "1:05"},
        {"the newest declined, the next accepted",
         takeLine("/s/take-2.ring", "unsaved", 44100, kTakeLength) +
             takeLine("/s/take-1.ring", "unsaved", 3 * 44100, kTakeLength),
         {MessageAnswer::No, MessageAnswer::Yes},
         {"DiscardTake /s/take-2.ring", "OpenTake /s/take-1.ring"},
         false,
         "0:03"},
        {"a wrapped ring's length is the track's",
         takeLine("/s/take-1.ring", "unsaved", 10LL * kTakeLength, kTakeLength),
         {MessageAnswer::Yes},
         {"OpenTake /s/take-1.ring"},
         false,
         "1:35"},
        {"a refused file is named, never opened nor removed",
         takeLine("/s/take-9.ring", "broken", 0, 0),
         {},
         {"OpenLib 1048576 0"},
         true,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeEngine engineOfCase;
        EngineApi api = engineOfCase.api();
        FakeWindow windowOfCase;
        Editor editorOfCase{api, windowOfCase};
        engineOfCase.takes = c.takes;
        engineOfCase.takeLength = kTakeLength;
        windowOfCase.questionAnswers = c.answers;
        editorOfCase.startup();
        EXPECT_EQ(engineOfCase.calls, c.calls);
        const auto& log = windowOfCase.log;
        EXPECT_EQ(std::find(log.begin(), log.end(), "project settings") != log.end(),
                  c.settingsShown);
        EXPECT_TRUE(editorOfCase.state().frm.bInitLib);
        if (c.askedLength) {
            const std::string start = "message: A take of " + std::string(c.askedLength);
            EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                                    [&](const std::string& entry) {
                                        return entry.starts_with(start + " recorded until ") &&
                                               entry.ends_with(" was not saved. Recover it?");
                                    }))
                << "asked about a take of " << c.askedLength;
        }
        if (!c.settingsShown) {
            EXPECT_EQ(editorOfCase.state().mod->trklen, kTakeLength);
            EXPECT_EQ(editorOfCase.state().selection->clipend, kTakeLength - 2);
            EXPECT_EQ(windowOfCase.labels[WindowLabel::lblLength], "Len: 01.35");
        }
    }
}

TEST_F(TakeRecovery, ARefusedFileIsNamedWithItsPath)
{
    fakeEngine.takes = takeLine("/s/take-9.ring", "other-version", 0, 0);
    editor.startup();
    EXPECT_TRUE(
        shown("message: The file /s/take-9.ring does not hold a take this version can "
              "read. It is left as it is; remove it when it is of no use."));
    EXPECT_EQ(window.lastMessageIcon, MessageIcon::Warning);
}

TEST_F(TakeRecovery, ATakeThatCannotBeOpenedGivesWayToFileNew)
{
    fakeEngine.takes = takeLine("/s/take-1.ring", "unsaved", 44100, kTakeLength);
    fakeEngine.openResult = BRENVIK_TAKE_REFUSED;
    editor.startup();
    EXPECT_TRUE(shown("message: The take could not be recovered: -1"));
    EXPECT_TRUE(shown("project settings"));
}

TEST_F(TakeRecovery, TheFallBackToMemoryIsToldOnceOnly)
{
    fakeEngine.trackStore = BRENVIK_STORE_FELL_BACK;
    startUp();
    window.projectSettings = [](ModPellam& mod) { mod.bPropsCancel = false; };
    editor.files().properties();
    fakeEngine.trackStore = BRENVIK_STORE_MEMORY;
    editor.files().properties();
    EXPECT_FALSE(shown(std::string("message: ") + messages::kTrackKeptInMemory));

    FakeEngine otherEngine;
    EngineApi otherApi = otherEngine.api();
    FakeWindow otherWindow;
    Editor otherEditor{otherApi, otherWindow};
    otherEngine.trackStore = BRENVIK_STORE_FELL_BACK;
    otherEditor.startup();
    otherWindow.projectSettings = [](ModPellam& mod) { mod.bPropsCancel = false; };
    otherEditor.files().properties();
    EXPECT_EQ(std::count(otherWindow.log.begin(), otherWindow.log.end(),
                         std::string("message: ") + messages::kTrackKeptInMemory),
              1);
}

TEST_F(TakeRecovery, TheMemoryOnlyChoiceIsStoredAndGivenToTheEngine)
{
    window.settings["Defaults/TakeInMemoryOnly"] = "1";
    editor.startup();
    EXPECT_TRUE(fakeEngine.trackInMemory);
    EXPECT_TRUE(editor.files().takeInMemoryOnly());
    editor.files().toggleTakeInMemory();
    EXPECT_FALSE(fakeEngine.trackInMemory);
    EXPECT_EQ(window.settings["Defaults/TakeInMemoryOnly"], "0");
    editor.files().toggleTakeInMemory();
    EXPECT_TRUE(fakeEngine.trackInMemory);
    EXPECT_EQ(window.settings["Defaults/TakeInMemoryOnly"], "1");
}

TEST(TakeList, LinesItCannotReadAreLeftOut)
{
    const std::vector<TakeListing> takes =
        parseTakeList(takeLine("/a\tb", "unsaved", 1, 2) + "no fields at all\n" +
                      takeLine("/s/take-1.ring", "unsaved", 44100, 88200) +
                      "/s/take-2.ring\tunsaved\tmany\t1\t2\t3\t\n");
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].path, "/s/take-1.ring");
    EXPECT_EQ(takes[0].recordedFrames, 44100);
    EXPECT_EQ(takes[0].trackLength, 88200);
    EXPECT_EQ(takes[0].endedMs, 1700000065000);
    EXPECT_FALSE(takes[0].refused);
}

}  // namespace
