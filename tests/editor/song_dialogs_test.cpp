// SPDX-License-Identifier: GPL-3.0-or-later
// The Song Details and Normalize Loudness dialogs on the offscreen platform.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "frm_loudness.h"
#include "frm_song_details.h"
#include "named_child.h"

namespace {

TEST(SongDetailsDialog, ShowsWhatItIsGiven_OkHandsBackWhatWasTyped_CancelLeavesItAsItWas)
{
    const SongDetails old{"Old title", "", "", "", "", ""};
    for (const auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
        SCOPED_TRACE(button == QDialogButtonBox::Ok ? "Ok" : "Cancel");
        SongDetails details = old;
        Mp3Preset preset = Mp3Preset::Cbr320;
        FrmSongDetails dialog(details, preset);
        EXPECT_EQ(dialog.windowTitle(), "Song Details");
        EXPECT_EQ(namedChild<QLineEdit>(dialog, "txtTitle")->text(), "Old title");
        EXPECT_EQ(namedChild<QComboBox>(dialog, "cboMp3Quality")->currentText(),
                  "320 kbit/s constant");

        namedChild<QLineEdit>(dialog, "txtTitle")->setText("  New title ");
        namedChild<QLineEdit>(dialog, "txtArtist")->setText("Сплин");
        namedChild<QLineEdit>(dialog, "txtComment")->setText("From the radio");
        namedChild<QComboBox>(dialog, "cboMp3Quality")->setCurrentIndex(2);
        namedChild<QDialogButtonBox>(dialog, "buttons")->button(button)->click();

        if (button == QDialogButtonBox::Ok) {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(details, (SongDetails{"New title", "Сплин", "", "", "", "From the radio"}));
            EXPECT_EQ(preset, Mp3Preset::VbrV2);
        } else {
            EXPECT_EQ(details, old);
            EXPECT_EQ(preset, Mp3Preset::Cbr320);
        }
    }
}

// OK takes a year of four digits or none; any other keeps the dialog open with a hint and the
// caller's details as they were.
TEST(SongDetailsDialog, OkTakesAYearOfFourDigitsOnly)
{
    struct Case {
        const char* year;
        bool accepted;
    };
    const Case cases[] = {
        {"1997", true},  {"", true},       {"97", false},
        {"199x", false}, {"19977", false}, {"MCMXCVII", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        SongDetails details{"Title", "", "", "2001", "", ""};
        Mp3Preset preset = Mp3Preset::Cbr192;
        FrmSongDetails dialog(details, preset);
        namedChild<QLineEdit>(dialog, "txtYear")->setText(c.year);
        namedChild<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok)->click();

        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(details.year, c.accepted ? c.year : "2001");
        EXPECT_EQ(namedChild<QLabel>(dialog, "lblYearHint")->isHidden(), c.accepted);
    }
}

// The reading and the gain each target gives; the combo box offers the three targets and the
// gain follows the choice.
TEST(LoudnessDialog, ShowsTheReadingAndTheGainTheTargetGives_AndFollowsTheChoice)
{
    struct Case {
        LoudnessReading reading;
        int target;
        const char* gain;
    };
    const Case cases[] = {
        {{-23.0, -12.0}, -14, "+9.0 dB"},
        {{-9.5, -0.2}, -16, "-6.5 dB"},
        {{-20.0, -3.0}, -14, "+2.0 dB (held back by the true peak's limit of -1.0 dBTP)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gain);
        FrmLoudness dialog(c.reading, c.target);
        EXPECT_EQ(dialog.target(), c.target);
        EXPECT_EQ(namedChild<QLabel>(dialog, "lblLoudness")->text(),
                  QString::number(c.reading.integratedLufs, 'f', 1) + " LUFS");
        EXPECT_EQ(namedChild<QLabel>(dialog, "lblGain")->text(), c.gain);
    }

    FrmLoudness dialog({-30.0, -20.0}, -16);
    auto* targets = namedChild<QComboBox>(dialog, "cboTarget");
    ASSERT_EQ(targets->count(), 3);
    EXPECT_EQ(targets->itemText(0), "-14 LUFS");
    EXPECT_EQ(targets->itemText(2), "-23 LUFS");
    targets->setCurrentIndex(2);
    EXPECT_EQ(dialog.target(), -23);
    EXPECT_EQ(namedChild<QLabel>(dialog, "lblGain")->text(), "+7.0 dB");
}

}  // namespace
