// SPDX-License-Identifier: GPL-3.0-or-later
// Every label, button, group box title and read-only text box of the program's windows shows its
// whole text at the design's sizes. The same program runs again with QT_SCALE_FACTOR=2.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include <cmath>
#include <string>
#include <vector>

#include "drives.h"
#include "fake_engine.h"
#include "fitted_text.h"
#include "frm_browse.h"
#include "frm_message.h"
#include "frm_pellam.h"
#include "frm_proj_props.h"

namespace {

qreal advance(const QWidget& control, QString text)
{
    return QFontMetricsF(control.font()).horizontalAdvance(text.remove(QLatin1Char('&')));
}

// A text box scrolls its text aside when it is wider than the box: then the caret at the end
// and the caret at the start lie closer together than the text is wide.
bool textBoxShowsWholeText(QLineEdit& box)
{
    const auto caretX = [&box](int position) {
        box.setCursorPosition(position);
        box.grab();  // the box works out how far it scrolls when it paints
        return box.inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
    };
    const int end = caretX(int(box.text().size()));
    const int start = caretX(0);
    return end - start >= std::floor(advance(box, box.text()));
}

bool buttonShowsWholeText(const QPushButton& button)
{
    const int frame = button.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
    return advance(button, button.text()) <= button.width() - 2 * frame;
}

// The controls of a window whose text is cut, each named with its text.
std::vector<std::string> cutTexts(QWidget& window, int& checked)
{
    std::vector<std::string> cut;
    const auto check = [&](bool whole, const QString& text) {
        ++checked;
        if (!whole) cut.push_back(text.toStdString());
    };
    for (QLabel* label : window.findChildren<QLabel*>()) {
        const QSize needed = label->sizeHint();
        check(needed.width() <= label->width() && needed.height() <= label->height(),
              label->text());
    }
    for (QPushButton* button : window.findChildren<QPushButton*>())
        check(buttonShowsWholeText(*button), button->text());
    for (QLineEdit* box : window.findChildren<QLineEdit*>())
        if (box->isReadOnly()) check(textBoxShowsWholeText(*box), box->text());
    for (QGroupBox* box : window.findChildren<QGroupBox*>())
        if (!box->title().isEmpty())
            check(advance(*box, box->title()) <= box->width(), box->title());
    return cut;
}

std::vector<std::string> cutTexts(QWidget& window)
{
    int checked = 0;
    return cutTexts(window, checked);
}

constexpr uint64_t kOneTerabyte = 1ull << 40;

TEST(TextFit, RunsAtTheScaleFactorOfItsEnvironment)
{
    const qreal wanted =
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() : 1.0;
    EXPECT_EQ(qApp->devicePixelRatio(), wanted);
}

TEST(TextFit, MainWindow_LengthAndMemoryLabelsShowTheirWholeText)
{
    FakeEngine fakeEngine;
    EngineApi engine = fakeEngine.api();
    FrmPellam window(engine);
    const QRect lengthPlace = window.findChild<QLabel*>("lblLength")->geometry();
    const QRect memoryPlace = window.findChild<QLabel*>("lblMem")->geometry();
    window.setLabelText(WindowLabel::lblLength, "Len: 25.22");
    window.setLabelText(WindowLabel::lblMem, "Mem: 1048576MB");  // a terabyte free
    int checked = 0;
    EXPECT_EQ(cutTexts(window, checked), std::vector<std::string>{});
    EXPECT_EQ(checked, 2);
    // The labels keep their places and sizes: the font gives way, not the layout.
    EXPECT_EQ(window.findChild<QLabel*>("lblLength")->geometry(), lengthPlace);
    EXPECT_EQ(window.findChild<QLabel*>("lblMem")->geometry(), memoryPlace);
}

TEST(TextFit, ProjectSettings_At256MegabytesShowsEveryTextWhole)
{
    ModPellam mod;
    mod.trklen = 256 * 262144;
    FrmProjProps dialog(mod, kOneTerabyte);
    ASSERT_EQ(dialog.findChild<QLineEdit*>("txtMem")->text(), "256");
    int checked = 0;
    EXPECT_EQ(cutTexts(dialog, checked), std::vector<std::string>{});
    EXPECT_EQ(checked, 9);  // four labels, two buttons, two boxes, the frame's title

    // Going down to one megabyte the box gets its larger font back, in the same place.
    const qreal threeDigits = dialog.findChild<QLineEdit*>("txtMem")->font().pointSizeF();
    const QRect place = dialog.findChild<QLineEdit*>("txtMem")->geometry();
    dialog.findChild<QScrollBar*>("vscMem")->setValue(255);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("txtMem")->font().pointSizeF(), 9.75);
    EXPECT_LT(threeDigits, 9.75);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("txtMem")->geometry(), place);
}

TEST(TextFit, FileDialog_ShowsEveryCaptionAndButtonWhole)
{
    FrmBrowse dialog(quorvel::MountedDrives::process());
    int checked = 0;
    EXPECT_EQ(cutTexts(dialog, checked), std::vector<std::string>{});
    EXPECT_EQ(checked, 7);  // five captions, two buttons
}

TEST(TextFit, BusyWindow_ShowsEveryTextTheEditorGivesIt)
{
    FrmMessage busy;
    for (const char* text : {"Noise Reduction in Progress...", "Shutting down...",
                             "Reordering track...", "Applying Edits ...", "Applying Effects ...",
                             "Opening file ...", "Saving file ...", "Changing properties ..."}) {
        busy.setText(text);
        EXPECT_EQ(cutTexts(busy), std::vector<std::string>{});
    }
}

TEST(TextFit, FitText_ShrinksFromTheDesignFontAndGrowsBackForAShorterText)
{
    QLabel label(QStringLiteral("Directories:"));
    QFont design = label.font();
    design.setPointSizeF(8.25);
    design.setBold(true);
    label.setFont(design);
    label.resize(66, 13);
    ASSERT_FALSE(quorvel::textFits(label));

    quorvel::fitText(label);
    EXPECT_TRUE(quorvel::textFits(label));
    EXPECT_LT(label.font().pointSizeF(), 8.25);
    EXPECT_GE(label.font().pointSizeF(), 7.0);  // a quarter point at a time, not more than needed
    EXPECT_TRUE(label.font().bold());

    label.setText(QStringLiteral("Dirs:"));
    quorvel::fitText(label);
    EXPECT_EQ(label.font().pointSizeF(), 8.25);

    // A text that no legible size fits stops at the smallest size.
    label.setText(QString(200, QLatin1Char('W')));
    quorvel::fitText(label);
    EXPECT_FALSE(quorvel::textFits(label));
    EXPECT_EQ(label.font().pointSizeF(), 4.0);
}

}  // namespace
