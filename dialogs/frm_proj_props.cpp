// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_proj_props.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "classic_window.h"
#include "editor_numbers.h"
#include "fitted_text.h"
#include "track_length.h"

using quorvel::twipsRect;

namespace {

QLabel* addLabel(QWidget* parent, const char* text, QRect geometry)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

QLineEdit* addReadOnlyText(QWidget* parent, const char* name, QRect geometry)
{
    auto* text = new QLineEdit(parent);
    text->setObjectName(name);
    text->setReadOnly(true);
    text->setGeometry(geometry);
    return text;
}

}  // namespace

FrmProjProps::FrmProjProps(ModPellam& mod, uint64_t totalMemoryBytes, QWidget* parent)
    : QDialog(parent),
      mod_(mod)
{
    setWindowTitle("Project Settings");
    setFixedSize(twipsRect(0, 0, 4575, 1635).size());
    setFont(quorvel::dialogFont(8, false));
    createControls();
    load(totalMemoryBytes);
    quorvel::fitTexts(*this);
    CmdOK->setFocus();
}

void FrmProjProps::createControls()
{
    auto* FraMemory = new QGroupBox("Memory for Record", this);
    FraMemory->setGeometry(twipsRect(120, 240, 1695, 855));
    txtMem = addReadOnlyText(FraMemory, "txtMem", twipsRect(240, 360, 375, 375));
    txtMem->setText("1");
    txtMem->setFont(quorvel::dialogFont(9.75, false));
    vscMem = new QScrollBar(Qt::Vertical, FraMemory);
    vscMem->setObjectName("vscMem");
    vscMem->setGeometry(twipsRect(600, 360, 255, 375));
    vscMem->setRange(0, 255);
    vscMem->setSingleStep(1);
    vscMem->setPageStep(1);
    vscMem->setValue(16);
    vscMem->setFocusPolicy(Qt::StrongFocus);
    addLabel(FraMemory, "MB", twipsRect(960, 480, 375, 255));

    addLabel(this, "Recording Time:", twipsRect(2040, 600, 1215, 255));
    txtSec = addReadOnlyText(this, "txtSec", twipsRect(3360, 600, 615, 285));
    txtSec->setText("93");
    addLabel(this, "Sec", twipsRect(4080, 600, 375, 255));
    lblMem = addLabel(this, "Available Memory:", twipsRect(120, 1200, 2415, 255));
    lblMem->setObjectName("lblMem");

    CmdOK = new QPushButton("&OK", this);
    CmdOK->setObjectName("CmdOK");
    CmdOK->setGeometry(twipsRect(2640, 1080, 855, 375));
    CmdOK->setDefault(true);
    cmdCancel = new QPushButton("&Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setGeometry(twipsRect(3600, 1080, 855, 375));

    setTabOrder(CmdOK, txtMem);
    setTabOrder(txtMem, vscMem);
    setTabOrder(vscMem, txtSec);
    setTabOrder(txtSec, cmdCancel);

    // Change (arrows, clicks beside the thumb, set values) and Scroll (dragging) alike.
    connect(vscMem, &QScrollBar::valueChanged, this, &FrmProjProps::vscMemChanged);
    connect(CmdOK, &QPushButton::clicked, this, &FrmProjProps::okClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &FrmProjProps::cancelClicked);
    // Three digits of megabytes need a smaller font than one does in the same box.
    for (QLineEdit* box : {txtMem, txtSec})
        connect(box, &QLineEdit::textChanged, box, [box] { quorvel::fitText(*box); });
}

void FrmProjProps::load(uint64_t totalMemoryBytes)
{
    mod_.bPropsCancel = false;
    if (mod_.bStartup) cmdCancel->hide();
    txtMem->setText(QString::number(megabytesOfTrack(mod_.trklen)));
    vscMem->setValue(256 - toInteger(txtMem->text().toDouble()));
    CalcRecTime();
    lblMem->setText("Avail MB: " + QString::number(roundedMegabytes(totalMemoryBytes)));
}

void FrmProjProps::CalcRecTime()
{
    txtSec->setText(QString::fromStdString(recordingTimeText(txtMem->text().toDouble())));
    mod_.trktime = txtSec->text().toStdString();
}

void FrmProjProps::vscMemChanged(int value)
{
    txtMem->setText(QString::number(256 - value));
    CalcRecTime();
}

void FrmProjProps::okClicked()
{
    mod_.trklen = toLong(txtMem->text().toDouble() * double(kFramesPerMegabyte));
    accept();
}

void FrmProjProps::cancelClicked()
{
    mod_.bPropsCancel = true;
    done(QDialog::Rejected);
}

void FrmProjProps::reject()
{
    done(QDialog::Accepted);
}

void FrmProjProps::keyPressEvent(QKeyEvent* event)
{
    // Escape is the Cancel button's key; without the button (at start-up) it does nothing.
    if (event->key() == Qt::Key_Escape) {
        if (cmdCancel->isVisibleTo(this)) cancelClicked();
        return;
    }
    QDialog::keyPressEvent(event);
}
