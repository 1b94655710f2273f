// SPDX-License-Identifier: GPL-3.0-or-later
#include "classic_window.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>

namespace quorvel {

QDialogButtonBox* okCancelButtons(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->setObjectName("buttons");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

QFont dialogFont(qreal pointSize, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QMessageBox::StandardButton showMessage(QWidget* parent, const QString& text, const QString& title,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, buttons, parent);
    for (int flag = QMessageBox::FirstButton; flag <= QMessageBox::LastButton; flag <<= 1) {
        const auto button = QMessageBox::StandardButton(flag);
        if (buttons.testFlag(button)) {
            box.setDefaultButton(button);
            break;
        }
    }
    return QMessageBox::StandardButton(box.exec());
}

}  // namespace quorvel
