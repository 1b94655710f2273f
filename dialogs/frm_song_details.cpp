// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_song_details.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "classic_window.h"

namespace {

// "&Title:" names the text box "txtTitle".
QString textBoxName(const char* label)
{
    return "txt" + QString(label).remove('&').remove(':');
}

// A year is four digits, as the ID3v2.3 year frame holds it, or nothing at all.
void acceptFourDigitYearsOnly(QLineEdit& year)
{
    static const QRegularExpression kFourDigits("(\\d{4})?");
    year.setValidator(new QRegularExpressionValidator(kFourDigits, &year));
    year.setPlaceholderText("YYYY");
}

}  // namespace

FrmSongDetails::FrmSongDetails(SongDetails& details, Mp3Preset& preset, QWidget* parent)
    : QDialog(parent),
      details_(details),
      preset_(preset)
{
    setWindowTitle("Song Details");
    auto* form = new QFormLayout(this);
    for (size_t i = 0; i < kSongDetailItems.size(); ++i) {
        const SongDetailItem& item = kSongDetailItems[i];
        texts_[i] = new QLineEdit(QString::fromStdString(details.*item.text), this);
        texts_[i]->setObjectName(textBoxName(item.label));
        texts_[i]->setMinimumWidth(280);
        form->addRow(item.label, texts_[i]);
        if (item.text == &SongDetails::year) {
            year_ = texts_[i];
            acceptFourDigitYearsOnly(*year_);
        }
    }
    lblYearHint = new QLabel("The year is four digits, such as 1997.", this);
    lblYearHint->setObjectName("lblYearHint");
    lblYearHint->hide();
    form->addRow(lblYearHint);
    cboMp3Quality = new QComboBox(this);
    cboMp3Quality->setObjectName("cboMp3Quality");
    for (const Mp3PresetItem& item : kMp3PresetItems) {
        cboMp3Quality->addItem(item.label);
        if (item.preset == preset) cboMp3Quality->setCurrentIndex(cboMp3Quality->count() - 1);
    }
    form->addRow("&MP3 quality:", cboMp3Quality);
    form->addRow(quorvel::okCancelButtons(*this));
}

void FrmSongDetails::accept()
{
    // A year kept from before the check (or pasted past it) keeps the dialog open until mended.
    if (year_ != nullptr && !year_->text().trimmed().isEmpty() && !year_->hasAcceptableInput()) {
        lblYearHint->show();
        year_->setFocus();
        year_->selectAll();
        return;
    }
    for (size_t i = 0; i < kSongDetailItems.size(); ++i)
        details_.*kSongDetailItems[i].text = texts_[i]->text().trimmed().toStdString();
    preset_ = kMp3PresetItems[size_t(cboMp3Quality->currentIndex())].preset;
    QDialog::accept();
}
