// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter in the main window on the offscreen platform: where it sits and what it paints
// for the levels it is given. (What it shows while the program records is read from a real
// screen by the program window tests.)
#include <gtest/gtest.h>

#include <QLabel>
#include <QSettings>
#include <QStandardPaths>

#include "frm_pellam.h"
#include "meter_widget.h"
#include "named_child.h"
#include "real_engine.h"

namespace {

// The meter's colours told apart by kind, not by exact value: a lit segment is bright, an unlit
// one dim; red, yellow and green by which of red and green are strong.
enum class Seen { Dim, Green, Yellow, Red, Other };

Seen seen(QRgb pixel)
{
    const bool red = qRed(pixel) >= 200;
    const bool green = qGreen(pixel) >= 200;
    if (qBlue(pixel) > 100) return Seen::Other;
    if (red && green) return Seen::Yellow;
    if (red) return Seen::Red;
    if (green) return Seen::Green;
    return qMax(qRed(pixel), qGreen(pixel)) <= 100 ? Seen::Dim : Seen::Other;
}

class MeterInWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }
    void SetUp() override { QSettings("Quorvel", "Quorvel").clear(); }
    void TearDown() override { window.editor().files().closeDevices(); }

    FrmPellam window{realEngine()};
    MeterWidget* meter = namedChild<MeterWidget>(window, "meterLevels");

    // What the meter shows in the middle row of a channel's bar, column by column.
    std::vector<Seen> barRow(int channel)
    {
        const QImage shown = meter->grab().toImage();
        const QRect bar = meter->barRect(channel);
        std::vector<Seen> row;
        for (int x = bar.left(); x <= bar.right(); ++x)
            row.push_back(seen(shown.pixel(x, bar.center().y())));
        return row;
    }

    Seen clipMark(int channel)
    {
        const QRect mark = meter->clipRect(channel);
        return seen(meter->grab().toImage().pixel(mark.center()));
    }
};

TEST_F(MeterInWindow, SitsInTheToolbarRowRightOfTheLabelsOverNoOtherControl)
{
    const QRect placed = meter->geometry();
    EXPECT_GT(placed.left(), namedChild<QLabel>(window, "lblMem")->geometry().right());
    EXPECT_GE(placed.top(), 0);
    EXPECT_LE(placed.bottom(), 24);  // the track frame starts at row 24
    EXPECT_LE(placed.right(), window.centralWidget()->width() - 1);
    EXPECT_GE(placed.width(), 200);
    for (const QWidget* other :
         window.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other == meter) continue;
        EXPECT_FALSE(other->geometry().intersects(placed)) << other->objectName().toStdString();
    }
}

TEST_F(MeterInWindow, PaintsBarsInTheirZonesHoldLinesAndClipMarks_EmptyAtFirst)
{
    for (int channel : {kMeterLeft, kMeterRight}) {
        for (Seen column : barRow(channel)) ASSERT_EQ(column, Seen::Dim);
        EXPECT_EQ(clipMark(channel), Seen::Dim);
    }

    // Left: a bar at -6 dB with its hold line at -3 dB; right: empty, with its clip mark lit.
    window.showLevels({{{-60, -30, false}, {kMeterFloor, kMeterFloor, true}}});
    const std::vector<Seen> left = barRow(kMeterLeft);
    // The bar's 208 columns span -60 to 0 dB evenly: -12 dB (yellow from there) ends 48/60 of
    // the way along, at column 166.4; -6 dB at 187.2; -3 dB at 197.6.
    ASSERT_EQ(left.size(), 208u);
    EXPECT_EQ(left[0], Seen::Green);
    EXPECT_EQ(left[165], Seen::Green);
    EXPECT_EQ(left[166], Seen::Yellow);
    EXPECT_EQ(left[186], Seen::Yellow);
    EXPECT_EQ(left[187], Seen::Dim);
    EXPECT_EQ(left[197], Seen::Red);  // the hold line
    EXPECT_EQ(left[198], Seen::Dim);
    EXPECT_EQ(left.back(), Seen::Dim);
    EXPECT_EQ(clipMark(kMeterLeft), Seen::Dim);
    for (Seen column : barRow(kMeterRight)) ASSERT_EQ(column, Seen::Dim);
    EXPECT_EQ(clipMark(kMeterRight), Seen::Red);
}

// The scale's numbers at the classic size and in a meter too narrow for them all: each reads on
// its own, under its mark, clear of the channels' letters and of the next number.
TEST(MeterNumbers, EachSitsOverItsMarkApartFromTheNext_ALowerOneGivesWayWhereTheyCrowd)
{
    struct Case {
        const char* name;
        std::vector<MeterNumber> numbers;  // -60, -40, -20, -12, -6, -3 and 0 dB
        std::vector<bool> shown;
    };
    const std::vector<Case> cases{
        {"classic size: 208 columns from 9",
         {{9, 13}, {78, 13}, {148, 13}, {175, 12}, {196, 7}, {206, 7}, {216, 4}},
         {true, true, true, true, true, true, true}},
        {"80 columns from 9",
         {{9, 13}, {36, 13}, {62, 13}, {73, 12}, {81, 7}, {85, 7}, {88, 4}},
         {true, true, true, false, true, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int end = c.numbers.back().mark + 15;
        const std::vector<std::optional<int>> lefts = placeMeterNumbers(c.numbers, 9, end);
        int nextLeft = end + kMeterNumberGap;
        for (size_t i = lefts.size(); i-- > 0;) {
            EXPECT_EQ(lefts[i].has_value(), c.shown[i]) << "number " << i;
            if (!lefts[i]) continue;
            const int left = *lefts[i];
            EXPECT_GE(left, 9) << "number " << i << " reaches under the letters";
            EXPECT_LE(left, c.numbers[i].mark) << "number " << i;
            EXPECT_GT(left + c.numbers[i].width, c.numbers[i].mark) << "number " << i;
            EXPECT_LE(left + c.numbers[i].width + kMeterNumberGap, nextLeft) << "number " << i;
            nextLeft = left;
        }
    }
}

}  // namespace
