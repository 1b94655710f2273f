// SPDX-License-Identifier: GPL-3.0-or-later
// Controls that keep their classic sizes and still show their whole text. The layouts were
// made for a narrow bitmap font; the desktop's sans-serif font runs wider, so a control whose
// text would be cut at its design font gets a smaller one instead.
#pragma once

class QWidget;

namespace quorvel {

// Whether the whole text of a label, push button, group box title or read-only text box shows
// inside it in its current font. Other controls, and text boxes the user types into (they
// scroll their text by design), always count as fitting.
bool textFits(const QWidget& control);

// Sets the control's design font (its font at its first fit) and shrinks it, a quarter point
// at a time, until its whole text fits. Call it again whenever the text changes.
void fitText(QWidget& control);

// fitText for every label, push button, group box and read-only text box of a window.
void fitTexts(QWidget& window);

}  // namespace quorvel
