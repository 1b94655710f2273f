// SPDX-License-Identifier: GPL-3.0-or-later
// FrmProjProps: the project settings dialog. The user picks the track's memory in whole
// megabytes (1 to 256) and sees the recording time it gives. Results go back through the
// editor's globals: trklen after OK, bPropsCancel after Cancel, trktime whenever the time shown
// changes.
#pragma once

#include <QDialog>

#include <cstdint>

#include "editor_state.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

class FrmProjProps : public QDialog {
    Q_OBJECT
public:
    // totalMemoryBytes: the machine's installed physical memory, shown in lblMem.
    FrmProjProps(ModPellam& mod, uint64_t totalMemoryBytes, QWidget* parent = nullptr);

    // Fills txtSec and trktime from txtMem.
    void CalcRecTime();

protected:
    // Closing the window any way but Cancel counts as acceptance without OK: trklen stays as it
    // was and bPropsCancel stays False.
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void load(uint64_t totalMemoryBytes);
    void vscMemChanged(int value);
    void okClicked();
    void cancelClicked();

    ModPellam& mod_;
    QLineEdit* txtMem = nullptr;
    QScrollBar* vscMem = nullptr;
    QLineEdit* txtSec = nullptr;
    QLabel* lblMem = nullptr;
    QPushButton* CmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
