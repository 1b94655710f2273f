// SPDX-License-Identifier: GPL-3.0-or-later
// FrmSongDetails: the song's details that Save As writes into the file (title, artist, album,
// year, genre, comment) and the quality of MP3 files. It changes the caller's values only on OK,
// and OK takes a year only of four digits (or none).
#pragma once

#include <QDialog>

#include <array>

#include "song_choices.h"

class QComboBox;
class QLabel;
class QLineEdit;

class FrmSongDetails : public QDialog {
    Q_OBJECT
public:
    FrmSongDetails(SongDetails& details, Mp3Preset& preset, QWidget* parent = nullptr);

    void accept() override;

private:
    SongDetails& details_;
    Mp3Preset& preset_;
    std::array<QLineEdit*, kSongDetailItems.size()> texts_{};
    QLineEdit* year_ = nullptr;  // one of texts_
    QComboBox* cboMp3Quality = nullptr;
    QLabel* lblYearHint = nullptr;
};
