// SPDX-License-Identifier: GPL-3.0-or-later
#include "fitted_text.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QVariant>

#include <cmath>

namespace quorvel {
namespace {

constexpr char kDesignFontProperty[] = "quorvelDesignFont";
constexpr qreal kShrinkStep = 0.25;        // points
constexpr qreal kSmallestPointSize = 4.0;  // below this no text is legible anyway
constexpr int kLineEditTextMargin = 2;     // a text box keeps its text this far from its frame

// The size a text takes in the control's font; mnemonic marks count only where they are shown.
QSize textSize(const QWidget& control, const QString& text, bool mnemonic)
{
    const QFontMetricsF metrics(control.font());
    const QSizeF size = metrics.size(mnemonic ? Qt::TextShowMnemonic : 0, text);
    return {int(std::ceil(size.width())), int(std::ceil(metrics.height()))};
}

bool fitsInside(QSize text, QSize room)
{
    return text.width() <= room.width() && text.height() <= room.height();
}

bool labelFits(const QLabel& label)
{
    // A label shows its access key only when it captions another control.
    const QRect room = label.contentsRect().marginsRemoved(
        QMargins(label.margin(), label.margin(), label.margin(), label.margin()));
    return fitsInside(textSize(label, label.text(), label.buddy() != nullptr), room.size());
}

bool buttonFits(const QPushButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    if (button.autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
    if (button.isDefault()) option.features |= QStyleOptionButton::DefaultButton;
    const QRect room =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    return fitsInside(textSize(button, button.text(), true), room.size());
}

bool textBoxFits(const QLineEdit& box)
{
    QStyleOptionFrame option;
    option.initFrom(&box);
    option.rect = box.contentsRect();
    option.lineWidth =
        box.hasFrame() ? box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &box) : 0;
    QRect room = box.style()
                     ->subElementRect(QStyle::SE_LineEditContents, &option, &box)
                     .marginsRemoved(box.textMargins());
    room.adjust(kLineEditTextMargin, 0, -kLineEditTextMargin, 0);
    // The box scrolls its text aside once the text, one pixel and the caret need more room.
    const int caret = box.style()->pixelMetric(QStyle::PM_TextCursorWidth, &option, &box);
    const QSize text = textSize(box, box.text(), false);
    return fitsInside({text.width() + 1 + caret, text.height()}, room.size());
}

bool groupTitleFits(const QGroupBox& box)
{
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.textAlignment = box.alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.features = box.isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
    const QRect title =
        box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    return box.rect().contains(title);
}

bool hasFittedText(const QWidget& control)
{
    if (const auto* box = qobject_cast<const QLineEdit*>(&control)) return box->isReadOnly();
    if (const auto* box = qobject_cast<const QGroupBox*>(&control)) return !box->title().isEmpty();
    return qobject_cast<const QLabel*>(&control) || qobject_cast<const QPushButton*>(&control);
}

}  // namespace

bool textFits(const QWidget& control)
{
    if (!hasFittedText(control)) return true;
    if (const auto* label = qobject_cast<const QLabel*>(&control)) return labelFits(*label);
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) return buttonFits(*button);
    if (const auto* box = qobject_cast<const QLineEdit*>(&control)) return textBoxFits(*box);
    return groupTitleFits(*qobject_cast<const QGroupBox*>(&control));
}

void fitText(QWidget& control)
{
    QVariant design = control.property(kDesignFontProperty);
    if (!design.isValid()) {
        design = control.font();
        control.setProperty(kDesignFontProperty, design);
    }
    QFont font = design.value<QFont>();
    control.setFont(font);
    while (!textFits(control) && font.pointSizeF() - kShrinkStep >= kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - kShrinkStep);
        control.setFont(font);
    }
}

void fitTexts(QWidget& window)
{
    for (QWidget* control : window.findChildren<QWidget*>())
        if (hasFittedText(*control)) fitText(*control);
}

}  // namespace quorvel
