// SPDX-License-Identifier: GPL-3.0-or-later
// FrmLoudness: the selection's integrated loudness and true peak, and the target to normalise it
// to, with the gain that target gives (less when the true peak would pass its ceiling).
#pragma once

#include <QDialog>

#include "loudness_plan.h"

class QComboBox;
class QLabel;

class FrmLoudness : public QDialog {
    Q_OBJECT
public:
    FrmLoudness(const LoudnessReading& reading, int preselected, QWidget* parent = nullptr);

    // The target in LUFS now chosen.
    int target() const;

private:
    void showGain();

    LoudnessReading reading_;
    QComboBox* cboTarget = nullptr;
    QLabel* lblGain = nullptr;
};
