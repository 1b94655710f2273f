// SPDX-License-Identifier: GPL-3.0-or-later
// The Song Details, Normalize Loudness and Songs in Take dialogs on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <optional>
#include <vector>

#include "frm_loudness.h"
#include "frm_song_details.h"
#include "frm_songs_in_take.h"
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

// Each song's start, length and title as its row shows them, the newest current.
TEST(SongsInTakeDialog, ListsEachSongsStartLengthAndTitle_TheNewestCurrent)
{
    struct Row {
        SongListEntry song;
        QStringList texts;
    };
    const Row rows[] = {
        {{44100 * 65, 44100 * 250, "Сплин - Выхода нет"}, {"1:05", "3:05", "Сплин - Выхода нет"}},
        {{44100 * 300, 44100 * 300 + 44100 * 9 + 44099, ""}, {"5:00", "0:09", ""}},
        {{44100 * 3729, 44100 * 3900, "Only a title"}, {"1:02:09", "2:51", "Only a title"}},
    };
    std::vector<SongListEntry> songs;
    for (const Row& row : rows) songs.push_back(row.song);
    FrmSongsInTake dialog(songs);
    EXPECT_EQ(dialog.windowTitle(), "Songs in Take");
    auto* list = namedChild<QTreeWidget>(dialog, "lstSongs");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(list->topLevelItem(n)->text(column), rows[n].texts[column]);
    }
    EXPECT_EQ(dialog.current(), 2u);
}

// The arrows move through the songs, Enter chooses the current one, Escape closes with none.
TEST(SongsInTakeDialog, ArrowsMove_EnterChooses_EscapeCloses)
{
    const std::vector<SongListEntry> songs{
        {1000, 400000, "a"}, {500000, 900000, "b"}, {1000000, 1500000, "c"}};
    struct Keys {
        std::vector<Qt::Key> moves;
        Qt::Key last;
        int result;
        std::optional<size_t> current;
    };
    const Keys cases[] = {
        {{}, Qt::Key_Return, QDialog::Accepted, 2},
        {{Qt::Key_Up}, Qt::Key_Enter, QDialog::Accepted, 1},
        {{Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down}, Qt::Key_Return, QDialog::Accepted, 1},
        {{Qt::Key_Home}, Qt::Key_Return, QDialog::Accepted, 0},
        {{Qt::Key_Up}, Qt::Key_Escape, QDialog::Rejected, 1},
    };
    for (const Keys& keys : cases) {
        SCOPED_TRACE(keys.moves.size());
        FrmSongsInTake dialog(songs);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QWidget* focus = QApplication::focusWidget();
        ASSERT_EQ(focus, namedChild<QTreeWidget>(dialog, "lstSongs"));
        for (const Qt::Key key : keys.moves) QTest::keyClick(focus, key);
        QTest::keyClick(focus, keys.last);
        EXPECT_EQ(dialog.result(), keys.result);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.current(), keys.current);
    }
}

}  // namespace
