// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest's main for widget tests: a QApplication on Qt's offscreen platform, so the tests
// need no display.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
