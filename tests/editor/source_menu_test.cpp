// SPDX-License-Identifier: GPL-3.0-or-later
// Control > Input Source in the main window on the offscreen platform, over the engine library of
// this build on the simulated card: the menu offers its sources with the chosen one checked, a
// choice is shown in the meter's tool tip, and a window started again keeps it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "meter_widget.h"
#include "named_child.h"
#include "started_main_window.h"

namespace {

struct SeenMenu {
    QStringList items;
    int checked = -1;
    int active = -1;  // where the keys start
};

// Opens Control > Input Source... and picks the item of that index (none when -1), as the user
// does with the keyboard; what the menu offered.
SeenMenu pickSource(FrmPellam& window, int pick)
{
    SeenMenu seen;
    // The command may let events through before its menu opens: look until it is there.
    QTimer look;
    look.setInterval(10);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        look.stop();
        for (QAction* item : menu->actions()) {
            if (item->isChecked()) seen.checked = int(seen.items.size());
            if (item == menu->activeAction()) seen.active = int(seen.items.size());
            seen.items << item->text();
        }
        if (pick >= 0) menu->setActiveAction(menu->actions().value(pick));
        QTest::keyClick(menu, pick < 0 ? Qt::Key_Escape : Qt::Key_Return);
    });
    look.start();
    namedChild<QAction>(window, "mnuControlSource")->trigger();
    return seen;
}

using SourceMenu = StartedMainWindow;

TEST_F(SourceMenu, AChoiceIsCheckedShownAndKeptByTheNextStart)
{
    const MeterWidget* meter = namedChild<MeterWidget>(window, "meterLevels");
    EXPECT_TRUE(meter->toolTip().startsWith("Recording from: Default input\n"));

    const SeenMenu first = pickSource(window, 1);
    EXPECT_EQ(first.items, (QStringList{"Default input", "Simulated card"}));
    EXPECT_EQ(first.checked, 0);
    EXPECT_EQ(first.active, 0);
    EXPECT_EQ(QSettings("Quorvel", "Quorvel").value("Defaults/Source").toString(), "sim");
    EXPECT_TRUE(meter->toolTip().startsWith("Recording from: Simulated card\n"));

    window.editor().files().closeDevices();
    FrmPellam restarted(realEngine());
    ASSERT_TRUE(startAcceptingSettings(restarted));
    EXPECT_TRUE(namedChild<MeterWidget>(restarted, "meterLevels")
                    ->toolTip()
                    .startsWith("Recording from: Simulated card\n"));
    const SeenMenu again = pickSource(restarted, -1);
    EXPECT_EQ(again.checked, 1);
    EXPECT_EQ(again.active, 1);
    restarted.editor().files().closeDevices();
}

}  // namespace
