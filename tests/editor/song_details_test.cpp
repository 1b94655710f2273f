// SPDX-License-Identifier: GPL-3.0-or-later
// File Song Details and what Save As hands the engine: the details for this session, the MP3
// quality in the settings, both given to the engine before each save.
#include <string>

#include "editor_fixture.h"
#include "save_progress.h"

namespace {

class SongDetailsCommand : public EditorFixture {
protected:
    void SetUp() override { startUp(); }

    void saveAs(const std::string& path)
    {
        window.browseAnswer = path;
        editor.files().saveAs();
    }
};

const SongDetails kSong{"Song", "Artist", "Album", "1997", "Pop", "From the radio"};

TEST_F(SongDetailsCommand,
       StartEmptyAtTheStandardQuality_OkKeepsThemForTheSessionAndThePresetInTheSettings)
{
    saveAs("/tmp/take.mp3");
    EXPECT_EQ(fakeEngine.songDetails, "title=\nartist=\nalbum=\nyear=\ngenre=\ncomment=\n");
    EXPECT_EQ(fakeEngine.mp3Quality, BRENVIK_MP3_CBR_192);

    window.songDetailsAnswer = {{kSong, Mp3Preset::VbrV2}};
    editor.files().songDetails();
    EXPECT_EQ(window.detailsShown, SongDetails{});
    EXPECT_EQ(window.presetShown, Mp3Preset::Cbr192);
    window.songDetailsAnswer.reset();

    editor.files().songDetails();  // shows what was left, and Cancel keeps it
    EXPECT_EQ(window.detailsShown, kSong);
    EXPECT_EQ(window.presetShown, Mp3Preset::VbrV2);
    EXPECT_EQ(window.settings["Defaults/Mp3Quality"], "vbr2");

    for (const char* path : {"/tmp/take.wav", "/tmp/take.mp3"}) {
        fakeEngine.songDetails.clear();
        saveAs(path);
        EXPECT_EQ(fakeEngine.songDetails,
                  "title=Song\nartist=Artist\nalbum=Album\nyear=1997\ngenre=Pop\ncomment=From the "
                  "radio\n")
            << path;
        EXPECT_EQ(fakeEngine.mp3Quality, BRENVIK_MP3_VBR_V2);
    }

    // A line break in a detail cannot start another key.
    window.songDetailsAnswer = {
        {SongDetails{"A\nartist=B", "", "", "", "", "x\r\ny"}, Mp3Preset::Cbr320}};
    editor.files().songDetails();
    saveAs("/tmp/take.mp3");
    EXPECT_EQ(fakeEngine.songDetails,
              "title=A artist=B\nartist=\nalbum=\nyear=\ngenre=\ncomment=x  y\n");
}

// Each preset comes back from its setting, an unknown one gives the standard; a save's progress
// follows the preset's bit rate: a 320 kbit/s file is 5/3 the size.
TEST(Mp3Preset, RoundTripsThroughItsSetting_AndTheExpectedSizeFollowsTheBitRate)
{
    for (const Mp3PresetItem& item : kMp3PresetItems)
        EXPECT_EQ(mp3PresetFromSetting(mp3PresetSetting(item.preset)), item.preset);
    EXPECT_EQ(mp3PresetFromSetting(""), Mp3Preset::Cbr192);
    EXPECT_EQ(mp3PresetFromSetting("cbr999"), Mp3Preset::Cbr192);

    const int64_t frames = 1152 * 1000;
    const double high = double(expectedSaveBytes(SaveFormat::Mp3, frames, 320));
    EXPECT_NEAR(high / double(expectedSaveBytes(SaveFormat::Mp3, frames, 192)), 5.0 / 3, 1e-6);
    EXPECT_NEAR(savePercent(SaveFormat::Mp3, frames, uint64_t(high / 2), 320), 50, 1);
}

}  // namespace
