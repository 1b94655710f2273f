// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_loudness.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

#include <cmath>

#include "classic_window.h"

namespace {

// One decimal; silence shows as minus infinity.
QString level(double value, const char* unit)
{
    const QString number =
        std::isfinite(value) ? QString::number(value, 'f', 1) : QString("-\u221E");
    return number + " " + unit;
}

QLabel* valueLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

FrmLoudness::FrmLoudness(const LoudnessReading& reading, int preselected, QWidget* parent)
    : QDialog(parent),
      reading_(reading)
{
    setWindowTitle("Normalize Loudness");
    auto* form = new QFormLayout(this);
    form->addRow("Integrated loudness:",
                 valueLabel(this, "lblLoudness", level(reading.integratedLufs, "LUFS")));
    form->addRow("True peak:",
                 valueLabel(this, "lblTruePeak", level(reading.truePeakDbtp, "dBTP")));
    cboTarget = new QComboBox(this);
    cboTarget->setObjectName("cboTarget");
    for (int target : kLoudnessTargets) {
        cboTarget->addItem(QString::number(target) + " LUFS", target);
        if (target == preselected) cboTarget->setCurrentIndex(cboTarget->count() - 1);
    }
    form->addRow("&Target:", cboTarget);
    lblGain = valueLabel(this, "lblGain", {});
    form->addRow("Gain:", lblGain);
    form->addRow(quorvel::okCancelButtons(*this));
    connect(cboTarget, &QComboBox::currentIndexChanged, this, &FrmLoudness::showGain);
    showGain();
}

int FrmLoudness::target() const
{
    return cboTarget->currentData().toInt();
}

void FrmLoudness::showGain()
{
    const std::optional<LoudnessGain> gain = loudnessGain(reading_, target());
    if (!gain) {
        lblGain->setText("none: the selection is silent");
        return;
    }
    const QString decibels = (gain->decibels >= 0 ? "+" : "") + level(gain->decibels, "dB");
    lblGain->setText(gain->limitedByPeak ? decibels + " (held back by the true peak's limit of " +
                                               level(kTruePeakCeilingDbtp, "dBTP") + ")"
                                         : decibels);
}
