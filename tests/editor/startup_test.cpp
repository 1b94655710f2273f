// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_fixture.h"

namespace {

using StartUp = EditorFixture;
using Strings = std::vector<std::string>;

TEST_F(StartUp, NoStoredSetting_OpensTheDefaultTrackAndSelectsItAll)
{
    editor.startup();
    EXPECT_EQ(fakeEngine.calls, Strings{"OpenLib 1048576 0"});
    EXPECT_TRUE(editor.state().frm.bInitLib);
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
    EXPECT_EQ(editor.state().selection->clipend, 1048574);
    EXPECT_EQ(editor.state().frm.mlTempo, 100);
    EXPECT_FALSE(editor.state().mod->bStartup);
    EXPECT_EQ(window.startupFlagsSeen, std::vector<bool>{true});
    EXPECT_EQ(window.caption, "Dravenna - ");
    EXPECT_EQ(window.labels[WindowLabel::lblLength], "Len: 00.24");
    EXPECT_EQ(window.labels[WindowLabel::lblMem], "Mem: 2048MB");
    EXPECT_FLOAT_EQ(editor.state().scales->hscale, 129.0f / 131072.0f);
    EXPECT_EQ(editor.state().scales->zoom, 1);
    EXPECT_EQ(editor.state().frm.RED, 0x0000FF);
    EXPECT_EQ(editor.state().frm.BLUE, 0xF02020);
    EXPECT_EQ(editor.state().frm.GREEN, 0xC420C4);
    EXPECT_EQ(editor.state().frm.DARKGREEN, 0x406010);
    EXPECT_EQ(window.log, (Strings{"show", "project settings", "busy text: Changing properties ...",
                                   "busy init", "busy hide"}));
}

TEST_F(StartUp, StoredLengthIsUsed)
{
    window.settings["Defaults/Memory"] = "2097152";
    editor.startup();
    EXPECT_EQ(fakeEngine.calls, Strings{"OpenLib 2097152 0"});
    EXPECT_EQ(editor.state().selection->clipend, 2097150);
}

TEST_F(StartUp, StoredTextThatIsNoNumber_GivesTheDefault)
{
    window.settings["Defaults/Memory"] = "lots";
    editor.startup();
    EXPECT_EQ(fakeEngine.calls, Strings{"OpenLib 1048576 0"});
}

TEST_F(StartUp, EngineThatCannotOpen_IsReportedMarkedClosedAndClosedOnce)
{
    fakeEngine.openResult = 2;
    editor.startup();
    EXPECT_EQ(fakeEngine.calls, (Strings{"OpenLib 1048576 0", "CloseLib"}));
    EXPECT_FALSE(editor.state().frm.bInitLib);
    EXPECT_NE(
        std::find(
            window.log.begin(), window.log.end(),
            "message: There was an error opening the device drivers: 2\n\n"
            "No sound device or input source could be found or opened. Check that it is connected "
            "and that the sound server runs, then try again."),
        window.log.end());
    EXPECT_TRUE(editor.files().queryClose());  // still closable
    EXPECT_EQ(window.settings["Defaults/Memory"], "1048576");
}

using Properties = EditorFixture;

TEST_F(Properties, AcceptedChange_ReopensTheEngineWithTheNewLength)
{
    startUp();
    window.projectSettings = [](ModPellam& mod) {
        mod.bPropsCancel = false;
        mod.trklen = 8 * 262144;
        mod.trktime = "00.48";
    };
    editor.files().properties();
    EXPECT_EQ(fakeEngine.calls, (Strings{"OpenLib 1048576 0", "CloseLib", "OpenLib 2097152 0"}));
    EXPECT_EQ(editor.state().selection->clipend, 2097150);
    EXPECT_EQ(window.labels[WindowLabel::lblLength], "Len: 00.48");
    EXPECT_FLOAT_EQ(editor.state().scales->tscale, 2097152.0f / 649.0f);
}

TEST_F(Properties, Cancel_KeepsTheEngineAndStillRedraws)
{
    startUp();
    window.projectSettings = [](ModPellam& mod) { mod.bPropsCancel = true; };
    editor.files().properties();
    EXPECT_EQ(fakeEngine.calls, Strings{"OpenLib 1048576 0"});
    EXPECT_EQ(window.log, Strings{"project settings"});
    ASSERT_FALSE(window.fakeView.ops.empty());
    EXPECT_EQ(window.fakeView.ops.front().kind, ViewOp::Clear);
}

TEST_F(Properties, FileNewCancelledAfterReadingAnotherLength_KeepsTheEngineTrackLength)
{
    startUp();
    window.settings["Defaults/Memory"] = "4194304";
    window.projectSettings = [](ModPellam& mod) { mod.bPropsCancel = true; };
    editor.files().newFile();
    EXPECT_EQ(editor.state().mod->trklen, 1048576);
    EXPECT_EQ(fakeEngine.calls, Strings{"OpenLib 1048576 0"});
}

TEST_F(Properties, AcceptedChangeWhileZoomed_MovesTheViewStartToTheNewTrack)
{
    startUp();
    setZoom(2, 32767);
    window.projectSettings = [](ModPellam& mod) {
        mod.bPropsCancel = false;
        mod.trklen = 262144;
    };
    editor.files().properties();
    EXPECT_EQ(editor.state().scales->trkbegin, 131068);  // 131072 hidden frames x 32767 / 32768
}

TEST_F(Properties, FileNew_TakesTheStoredLengthNotTheCurrentOne)
{
    startUp();
    window.projectSettings = [](ModPellam& mod) { mod.trklen = 8 * 262144; };
    editor.files().properties();
    window.projectSettings = acceptSettingsUnchanged;
    editor.files().newFile();
    EXPECT_EQ(fakeEngine.calls.back(), "OpenLib 1048576 0");
    EXPECT_EQ(window.caption, "Dravenna - ");
}

using ShutDown = EditorFixture;

TEST_F(ShutDown, ClosesTheEngineAndStoresTheLength)
{
    startUp();
    window.projectSettings = [](ModPellam& mod) {
        mod.bPropsCancel = false;
        mod.trklen = 2097152;
    };
    editor.files().properties();
    window.log.clear();
    EXPECT_TRUE(editor.files().queryClose());
    EXPECT_EQ(fakeEngine.calls.back(), "CloseLib");
    EXPECT_FALSE(editor.state().frm.bInitLib);
    EXPECT_EQ(window.log, (Strings{"busy text: Shutting down...", "busy init",
                                   "setting Defaults/Memory = 2097152", "busy unload"}));
}

TEST_F(ShutDown, RefusedWhileTheTransportRuns)
{
    startUp();
    editor.state().frm.WAVEPLAYING = true;
    EXPECT_FALSE(editor.files().queryClose());
    EXPECT_EQ(window.log, Strings{"message: Stop track first!"});
    EXPECT_TRUE(editor.state().frm.bInitLib);
}

TEST_F(ShutDown, CloseErrorIsReportedAndTheSettingStillWritten)
{
    startUp();
    fakeEngine.closeResult = 5;
    EXPECT_TRUE(editor.files().queryClose());
    EXPECT_EQ(
        window.log,
        (Strings{"busy text: Shutting down...", "busy init",
                 "message: Error in CloseLib: 5\n\nA sound device is not open: it could not be "
                 "opened, or was closed. Check that it is connected and that the sound server "
                 "runs, then open the devices again with File > New.",
                 "setting Defaults/Memory = 1048576", "busy unload"}));
    EXPECT_FALSE(editor.state().frm.bInitLib);
}

TEST_F(ShutDown, CloseDevicesWhenNeverOpened_CallsNothing)
{
    editor.files().closeDevices();
    EXPECT_TRUE(fakeEngine.calls.empty());
    EXPECT_TRUE(window.log.empty());
}

TEST_F(ShutDown, RequestWhileACommandShowsItsBusyWindow_ClosesWhenTheCommandIsDone)
{
    startUp();
    editor.selection().select(0, 1000);
    bool closedInside = true;
    window.onBusyInit = [&] {
        window.onBusyInit = nullptr;
        closedInside = editor.files().queryClose();
    };
    editor.edits().cut();
    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(editor.state().frm.bInitLib);  // the engine stayed open for the cut
    EXPECT_EQ(window.log, (Strings{"busy text: Applying Edits ...", "busy init", "busy hide",
                                   "close request"}));
}

TEST_F(ShutDown, FileExitAsksTheWindowToClose)
{
    editor.files().exit();
    EXPECT_EQ(window.log, Strings{"close request"});
}

}  // namespace
