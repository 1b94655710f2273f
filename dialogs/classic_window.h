// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QMessageBox>
#include <QRect>

class QDialog;
class QDialogButtonBox;

// Helpers that let the dialogs keep the measures and look of their classic layout: positions
// and sizes in twips, the bold sans-serif dialog font, and message boxes with an exact set of
// buttons and icon.
namespace quorvel {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

// A rectangle given as left, top, width and height in twips.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

// The desktop's default sans-serif font at the given size and weight.
QFont dialogFont(qreal pointSize, bool bold);

// Shows a modal message box and returns the button pressed. OK, or Yes of Yes and No, is the
// default button; Escape answers No or Cancel when the box has one.
QMessageBox::StandardButton showMessage(QWidget* parent, const QString& text, const QString& title,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon);

// OK and Cancel for a dialog laid out by Qt, named "buttons", that accept and reject it.
QDialogButtonBox* okCancelButtons(QDialog& dialog);

}  // namespace quorvel
