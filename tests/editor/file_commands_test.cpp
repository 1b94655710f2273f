// SPDX-License-Identifier: GPL-3.0-or-later
// File Open and Save As, run by the editor against the real engine on the simulated sound card.
// The file dialog is the fake window's answer; the files, good and broken, are written here.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor.h"
#include "encoder_beside_engine.h"
#include "fake_window.h"
#include "real_engine.h"
#include "temp_directory.h"
#include "track_length.h"
#include "wav_image.h"

namespace fs = std::filesystem;

namespace {

const std::string kUnsupported = "message: Unsupported file extension!";
const std::string kMissingEncoder =
    "message: Error in SaveAsMp3: Unable to load Bladeenc.dll.  Make sure you have this file "
    "before saving as an mp3.";

struct WavFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t sampleRate = 44100;
    uint16_t bitsPerSample = 16;
};

// A canonical 44-byte-header WAV file of the given 16-bit values.
std::string wavBytes(const std::vector<int16_t>& values, WavFormat format = {})
{
    using namespace wav_image;
    return riff(
        formatChunk(format.formatTag, format.channels, format.sampleRate, format.bitsPerSample) +
        chunk("data", wav_image::values(values)));
}

constexpr auto& writeBytes = wav_image::writeFile;

// The messages the user saw, in order.
std::vector<std::string> messagesIn(const std::vector<std::string>& log)
{
    std::vector<std::string> messages;
    for (const std::string& line : log)
        if (line.starts_with("message: ")) messages.push_back(line);
    return messages;
}

// One megabyte of track keeps the loads and the redraws small.
void useOneMegabyteTrack(FakeWindow& window)
{
    window.settings["Defaults/Memory"] = std::to_string(kFramesPerMegabyte);
}

class FileCommands : public ::testing::Test {
protected:
    FakeWindow window;
    Editor editor{realEngine(), window};
    EngineApi& engine = realEngine();
    TempDirectory files;
    fs::path dir = files.path();

    void SetUp() override
    {
        useOneMegabyteTrack(window);
        editor.startup();
        ASSERT_TRUE(editor.state().frm.bInitLib);
        engine.TrackClear(0, editor.state().mod->trklen);
        window.log.clear();
        window.fakeView.ops.clear();
    }

    void TearDown() override { editor.files().closeDevices(); }

    int32_t trklen() const { return editor.state().mod->trklen; }

    void open(const fs::path& path)
    {
        window.browseAnswer = path.string();
        editor.files().open();
    }

    void saveAs(const fs::path& path)
    {
        window.browseAnswer = path.string();
        editor.files().saveAs();
    }

    bool redrawn() const
    {
        for (const ViewOp& op : window.fakeView.ops)
            if (op.kind == ViewOp::Clear) return true;
        return false;
    }

    // A recording to protect: a distinct value at the start, the middle and the very end.
    void writeRecording()
    {
        for (int32_t index : recordingIndexes()) engine.TrackWrite(index, recordingValue(index));
    }

    bool recordingIntact() const
    {
        for (int32_t index : recordingIndexes())
            if (engine.TrackRead(index) != recordingValue(index)) return false;
        return true;
    }

    std::vector<int32_t> recordingIndexes() const { return {0, 1, trklen(), 2 * trklen() - 1}; }
    static int32_t recordingValue(int32_t index) { return 1000 + index % 20000; }
};

TEST_F(FileCommands, Open_AcceptsTheWavEndingInAnyCaseAndWithoutADot)
{
    const std::vector<int16_t> audio{11, -12, 13, -14};
    for (const char* name : {"a.WAV", "b.wav", "c.Wav", "takewav", "t\xc3\xa6k.wav"}) {
        SCOPED_TRACE(name);
        writeBytes(dir / name, wavBytes(audio));
        engine.TrackClear(0, trklen());
        window.log.clear();
        open(dir / name);
        EXPECT_EQ(messagesIn(window.log), std::vector<std::string>{});
        EXPECT_EQ(engine.TrackRead(2), 13);
        EXPECT_EQ(engine.TrackRead(3), -14);
    }
}

TEST_F(FileCommands, Open_RefusesOtherEndings_WithTheCriticalBoxAndLeavesTheTrack)
{
    writeRecording();
    for (const char* name : {"take.mp3", "take.wave", "take.wa"}) {
        SCOPED_TRACE(name);
        writeBytes(dir / name, wavBytes({1, 2}));
        window.log.clear();
        open(dir / name);
        EXPECT_EQ(window.log, (std::vector<std::string>{"browse: Open *.wav", kUnsupported}));
        EXPECT_EQ(window.lastMessageIcon, MessageIcon::Critical);
        EXPECT_TRUE(recordingIntact());
    }
}

TEST_F(FileCommands, Open_Cancelled_ChangesNothing)
{
    writeRecording();
    editor.selection().select(5, 5);
    open("");
    EXPECT_EQ(window.log, std::vector<std::string>{"browse: Open *.wav"});
    EXPECT_EQ(editor.state().selection->clipbegin, 5);
    EXPECT_TRUE(recordingIntact());
}

TEST_F(FileCommands, Open_GoodFile_LoadsSelectsAllRedrawsAndNamesTheFile)
{
    writeRecording();
    editor.selection().select(5, 5);
    writeBytes(dir / "song.wav", wavBytes({100, -100, 200, -200}));
    open(dir / "song.wav");

    EXPECT_EQ(window.log,
              (std::vector<std::string>{"browse: Open *.wav", "busy text: Opening file ...",
                                        "busy init", "busy hide"}));
    EXPECT_EQ(editor.state().selection->clipbegin, 0);
    EXPECT_EQ(editor.state().selection->clipend, trklen() - 2);
    EXPECT_EQ(engine.TrackRead(0), 100);
    EXPECT_EQ(engine.TrackRead(3), -200);
    // Everything after the file's audio is silent, the last frames included.
    EXPECT_EQ(engine.TrackRead(trklen()), 0);
    EXPECT_EQ(engine.TrackRead(2 * trklen() - 1), 0);
    EXPECT_TRUE(redrawn());
    EXPECT_EQ(editor.state().frm.FILESPEC, (dir / "song.wav").string());
    EXPECT_EQ(window.caption, "Dravenna - " + (dir / "song.wav").string());
}

// A file longer than the track is loaded as far as it fits, and the user is told how much that
// is; the 1 MB track holds 262144 frames, 5.944 s.
TEST_F(FileCommands, Open_FileLongerThanTheTrack_SaysHowMuchOfItFits)
{
    const std::string kOnlyTheFirst =
        "message: Only the first 0:05.944 of the file fit in the track (File > Properties sets a "
        "larger size).";
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        {"fits.wav", wavBytes(std::vector<int16_t>(size_t(2 * trklen()), 5)), {}},
        {"one frame more.wav",
         wavBytes(std::vector<int16_t>(size_t(2 * trklen() + 2), 5)),
         {kOnlyTheFirst}},
        {"mono, one more.wav",
         wavBytes(std::vector<int16_t>(size_t(trklen() + 1), 5), {.channels = 1}),
         {"message: Error in LoadWave: 1\n\nThe audio of mono, one more.wav was loaded. It is not "
          "stereo: a mono file plays on both channels, other channel counts are read as if they "
          "were stereo.",
          kOnlyTheFirst}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir / c.name, c.bytes);
        engine.TrackClear(0, trklen());
        window.log.clear();
        open(dir / c.name);
        EXPECT_EQ(messagesIn(window.log), c.messages);
        EXPECT_EQ(engine.TrackRead(2 * trklen() - 1), 5);  // the audio stays loaded
        EXPECT_EQ(editor.state().frm.FILESPEC, (dir / c.name).string());
    }
}

TEST_F(FileCommands, Open_ReadOnlyFile_Loads)
{
    writeBytes(dir / "kept.wav", wavBytes({7, 8}));
    chmod((dir / "kept.wav").c_str(), 0444);
    open(dir / "kept.wav");
    EXPECT_EQ(messagesIn(window.log), std::vector<std::string>{});
    EXPECT_EQ(engine.TrackRead(1), 8);
}

TEST_F(FileCommands, Open_EachRejection_ShowsItsCodeAndWhatItMeansAndKeepsTheRecordingAndTheView)
{
    const std::string good = wavBytes({1, 2, 3, 4});
    auto with = [&good](size_t offset, const std::string& replacement) {
        std::string bytes = good;
        return bytes.replace(offset, replacement.size(), replacement);
    };
    struct Case {
        const char* name;
        std::string bytes;
        int32_t code;
        const char* meaning;
    };
    const std::vector<Case> cases{
        {"no riff.wav", with(0, "JUNK"), 10,
         "no riff.wav is not a WAV file: it does not start with RIFF."},
        {"no wave.wav", with(8, "AVI "), 11, "no wave.wav is a RIFF file but holds no WAVE audio."},
        {"no fmt.wav", with(12, "LIST"), 12,
         "no fmt.wav has no format chunk, so its audio cannot be read."},
        {"float.wav", wavBytes({0, 0}, {.formatTag = 3}), 13,
         "float.wav is compressed audio; Quorvel opens 16-bit PCM WAV files."},
        {"8 bit.wav", wavBytes({0, 0}, {.bitsPerSample = 8}), 14,
         "8 bit.wav is 8-bit audio; Quorvel opens 16-bit PCM WAV files."},
        {"24 bit.wav", wavBytes({0, 0}, {.bitsPerSample = 24}), 14,
         "24 bit.wav is 24-bit audio; Quorvel opens 16-bit PCM WAV files."},
        {"no data.wav", good.substr(0, 36), 16,
         "no data.wav holds no audio data, or ends before its audio does."},
    };
    for (const Case& c : cases) writeBytes(dir / c.name, c.bytes);

    writeRecording();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.log.clear();
        open(dir / c.name);
        EXPECT_EQ(
            window.log,
            (std::vector<std::string>{
                "browse: Open *.wav", "busy text: Opening file ...", "busy init", "busy hide",
                "message: Error in LoadWave: " + std::to_string(c.code) + "\n\n" + c.meaning}));
        EXPECT_TRUE(recordingIntact());
        EXPECT_FALSE(redrawn());
        EXPECT_EQ(editor.state().frm.FILESPEC, "");
    }

    // A file that went away after it was chosen cannot be opened.
    open(dir / "gone.wav");
    EXPECT_EQ(messagesIn(window.log).back(), "message: Error in LoadWave: 15\n\n" +
                                                 (dir / "gone.wav").string() +
                                                 ": the file does not exist");
    fs::create_directory(dir / "folder.wav");
    open(dir / "folder.wav");
    EXPECT_EQ(messagesIn(window.log).back(), "message: Error in LoadWave: 15\n\n" +
                                                 (dir / "folder.wav").string() +
                                                 ": not a regular file");
    EXPECT_TRUE(recordingIntact());
}

TEST_F(FileCommands, Open_ChannelOrRateWarning_ShowsTheCodeAndThatTheAudioWasLoaded_ThenShowsIt)
{
    const int16_t loud = 16384;
    const std::vector<int16_t> mono(size_t(trklen()), loud);
    const std::vector<int16_t> stereo(size_t(2 * trklen()), loud);
    struct Case {
        const char* name;
        std::string bytes;
        int32_t code;
        const char* meaning;
    };
    const std::vector<Case> cases{
        {"mono.wav", wavBytes(mono, {.channels = 1}), 1,
         "The audio of mono.wav was loaded. It is not stereo: a mono file plays on both channels, "
         "other channel counts are read as if they were stereo."},
        {"slow.wav", wavBytes(stereo, {.sampleRate = 22050}), 2,
         "The audio of slow.wav was loaded. Its sample rate is not 44100 Hz: it plays faster or "
         "slower than it was recorded."},
        {"slow mono.wav", wavBytes(mono, {.channels = 1, .sampleRate = 22050}), 3,
         "The audio of slow mono.wav was loaded. It is neither stereo nor 44100 Hz: it may play on "
         "the wrong channels and faster or slower than it was recorded."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir / c.name, c.bytes);
        engine.TrackClear(0, trklen());
        window.log.clear();
        window.fakeView.ops.clear();
        open(dir / c.name);
        EXPECT_EQ(messagesIn(window.log),
                  std::vector<std::string>{"message: Error in LoadWave: " + std::to_string(c.code) +
                                           "\n\n" + c.meaning});
        EXPECT_EQ(engine.TrackRead(2 * trklen() - 1), loud);  // both channels, to the end
        EXPECT_TRUE(redrawn());
        int32_t longestBar = 0;
        for (const ViewOp& bar : window.fakeView.linesIn(editor.state().frm.RED))
            longestBar = std::max(longestBar, std::abs(bar.y2 - bar.y1));
        EXPECT_GT(longestBar, 0) << "the view still shows the silent track";
        EXPECT_EQ(editor.state().frm.FILESPEC, (dir / c.name).string());
    }
}

TEST_F(FileCommands, SaveAsWav_WritesTheSelectionQuietlyAndNamesTheFile)
{
    for (int32_t index = 0; index < 20; ++index) engine.TrackWrite(index, index * 3 - 20);
    editor.selection().select(2, 10);
    saveAs(dir / "take.wav");

    EXPECT_EQ(window.log,
              (std::vector<std::string>{"browse: Save as *.wav;*.mp3", "busy text: Saving file ...",
                                        "busy init", "busy hide"}));
    std::vector<int16_t> expected;
    for (int32_t index = 4; index < 20; ++index) expected.push_back(int16_t(index * 3 - 20));
    EXPECT_EQ(readText(dir / "take.wav"), wavBytes(expected));
    EXPECT_EQ(editor.state().frm.FILESPEC, (dir / "take.wav").string());
    EXPECT_EQ(window.caption, "Dravenna - " + (dir / "take.wav").string());
    EXPECT_EQ(editor.state().selection->clipbegin, 2);
    EXPECT_FALSE(redrawn());
}

TEST_F(FileCommands, SaveAsWav_EmptySelection_WritesTheHeaderOnly)
{
    editor.selection().select(100, 100);
    saveAs(dir / "click.WAV");
    EXPECT_EQ(messagesIn(window.log), std::vector<std::string>{});
    EXPECT_EQ(readText(dir / "click.WAV"), wavBytes({}));
}

TEST_F(FileCommands, SaveAsWav_FileThatCannotBeCreated_ShowsMinusOneAndWhyAndKeepsTheTitle)
{
    const std::string before = window.caption;
    saveAs(dir / "missing" / "take.wav");
    fs::create_directory(dir / "folder.wav");
    saveAs(dir / "folder.wav");
    EXPECT_EQ(messagesIn(window.log),
              (std::vector<std::string>{
                  "message: Error in SaveAsWave: -1\n\n" + (dir / "missing" / "take.wav").string() +
                      ": the folder does not exist",
                  "message: Error in SaveAsWave: -1\n\n" + (dir / "folder.wav").string() +
                      ": not a regular file"}));
    EXPECT_EQ(editor.state().frm.FILESPEC, "");
    EXPECT_EQ(window.caption, before);
}

TEST_F(FileCommands, SaveAsMp3_SaysSoForSuccessAndForADiskError)
{
    loadEncoderBeside(BRENVIK_LIBRARY_PATH);
    for (int32_t index = 0; index < 2 * 44100; ++index)
        engine.TrackWrite(index, (index % 200) * 100);
    editor.selection().select(0, 44100);
    saveAs(dir / "take.Mp3");
    EXPECT_EQ(messagesIn(window.log), std::vector<std::string>{"message: Successfully Saved!"});
    EXPECT_EQ(window.lastMessageIcon, MessageIcon::None);
    const std::string mp3 = readText(dir / "take.Mp3");
    ASSERT_GT(mp3.size(), 1000u);
    EXPECT_EQ(uint8_t(mp3[0]), 0xFF);  // an MPEG audio frame header first, no tag
    EXPECT_EQ(uint8_t(mp3[1]) & 0xE0, 0xE0);
    EXPECT_EQ(editor.state().frm.FILESPEC, (dir / "take.Mp3").string());

    window.log.clear();
    saveAs(dir / "missing" / "take.mp3");
    EXPECT_EQ(messagesIn(window.log),
              std::vector<std::string>{"message: Error in SaveAsMp3: Disk Error.\n\n" +
                                       (dir / "missing" / "take.mp3").string() +
                                       ": the folder does not exist"});
    EXPECT_EQ(editor.state().frm.FILESPEC, (dir / "take.Mp3").string());
}

TEST_F(FileCommands, SaveAs_UnsupportedExtension_ShowsTheCriticalBoxAndWritesNothing)
{
    saveAs(dir / "take.ogg");
    EXPECT_EQ(window.log, (std::vector<std::string>{"browse: Save as *.wav;*.mp3", kUnsupported}));
    EXPECT_EQ(window.lastMessageIcon, MessageIcon::Critical);
    EXPECT_FALSE(fs::exists(dir / "take.ogg"));
}

// Every control whose command could call the engine.
const std::vector<LockableControl> kEngineControls{
    LockableControl::cmdCut,         LockableControl::cmdNew,           LockableControl::cmdOpen,
    LockableControl::cmdPlay,        LockableControl::cmdProps,         LockableControl::cmdRec,
    LockableControl::cmdSave,        LockableControl::hscView,          LockableControl::hscZoom,
    LockableControl::mnuControlPlay, LockableControl::mnuControlRecord, LockableControl::mnuEdit,
    LockableControl::mnuFile,        LockableControl::cmdStop,          LockableControl::mnuControl,
    LockableControl::mnuFX,
};

TEST_F(FileCommands,
       SaveAs_RunsBesideTheWindowsEvents_WithTheEngineLockedAway_AndWritesWhatTheExportWrites)
{
    loadEncoderBeside(BRENVIK_LIBRARY_PATH);
    // A signal the encoder has work with, over the whole track, which is selected.
    for (int32_t index = 0; index < 2 * trklen(); ++index)
        engine.TrackWrite(index, (index * 37) % 20000 - 10000);
    ASSERT_EQ(engine.SaveAsMp3(0, trklen() - 2, (dir / "direct.mp3").c_str()), 0);
    ASSERT_EQ(engine.SaveAsWave(0, trklen() - 2, (dir / "direct.wav").c_str()), 0);

    for (const char* name : {"take.mp3", "take.wav"}) {
        SCOPED_TRACE(name);
        editor.selection().selectWholeTrack();
        window.log.clear();
        window.progress.clear();
        // While the busy window comes up the user drags a new selection and asks to close the
        // window; the controls are looked at there and at every pass of the wait for the file.
        bool lockedEveryPass = true;
        const auto lookAtTheControls = [&] {
            for (LockableControl control : kEngineControls)
                lockedEveryPass &= !window.enabled.at(control);
        };
        bool closeRefused = false;
        window.onBusyInit = [&] {
            lookAtTheControls();
            editor.selection().mouseDown(10.0f);
            editor.selection().mouseUp(20.0f);
            closeRefused = !editor.files().queryClose();
        };
        window.onEvents = [&] {
            lookAtTheControls();
            std::this_thread::sleep_for(
                std::chrono::milliseconds(1));  // a pass of the window's wait
        };
        saveAs(dir / name);
        window.onBusyInit = nullptr;
        window.onEvents = nullptr;

        const bool mp3 = std::string(name).ends_with("mp3");
        const std::string saved = readText(dir / name);
        const std::string direct = readText(dir / (mp3 ? "direct.mp3" : "direct.wav"));
        EXPECT_TRUE(saved == direct)
            << saved.size() << " bytes where the export alone wrote " << direct.size();
        EXPECT_TRUE(lockedEveryPass);
        for (LockableControl control : kEngineControls) EXPECT_TRUE(window.enabled.at(control));
        EXPECT_TRUE(closeRefused);
        std::vector<std::string> expected{"browse: Save as *.wav;*.mp3",
                                          "busy text: Saving file ...", "busy init", "busy hide"};
        if (mp3) expected.push_back("message: Successfully Saved!");
        expected.push_back("close request");  // once the command is done
        EXPECT_EQ(window.log, expected);

        // The bar starts at 0 and only moves on, short of 100 until the export returned.
        ASSERT_FALSE(window.progress.empty());
        EXPECT_EQ(window.progress.front(), 0);
        EXPECT_TRUE(std::is_sorted(window.progress.begin(), window.progress.end()));
        EXPECT_LE(window.progress.back(), 99);
        if (mp3) {
            EXPECT_GE(std::set<int32_t>(window.progress.begin(), window.progress.end()).size(), 5u);
        }
    }
}

// Saves an MP3 through a copy of the engine alone in a directory, so that no encoder library
// sits beside it; exits 0 when the user saw exactly the missing-library message and no file
// was written.
[[noreturn]] void saveMp3WithoutEncoder()
{
    const TempDirectory files;
    const fs::path dir = files.path();
    fs::copy_file(BRENVIK_LIBRARY_PATH, dir / "libbrenvik.so");
    EngineApi alone;
    const std::string error = bindEngine((dir / "libbrenvik.so").c_str(), alone);
    FakeWindow window;
    useOneMegabyteTrack(window);
    Editor editor{alone, window};
    if (error.empty()) {
        editor.startup();
        window.browseAnswer = (dir / "take.mp3").string();
        editor.files().saveAs();
        editor.files().closeDevices();
    }
    const std::vector<std::string> messages = messagesIn(window.log);
    for (const std::string& message : messages) std::cerr << message << "\n";
    const bool written = fs::exists(dir / "take.mp3");
    fs::remove_all(dir);  // std::exit runs no destructors
    std::exit(
        error.empty() && messages == std::vector<std::string>{kMissingEncoder} && !written ? 0 : 1);
}

TEST(FileCommandsWithoutEncoder, SaveAsMp3_ShowsTheMissingLibraryMessageAndWritesNothing)
{
    // A fresh process: an encoder loaded by another test would be found by its name.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(saveMp3WithoutEncoder(), ::testing::ExitedWithCode(0),
                "Unable to load Bladeenc.dll.  Make sure");
}

}  // namespace
