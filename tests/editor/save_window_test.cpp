// SPDX-License-Identifier: GPL-3.0-or-later
// Save As in the real main window on the offscreen platform, over the real engine: the busy
// window's bar follows the file while the export runs beside the window's events, and every
// control that could call the engine meanwhile is locked.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <thread>

#include "classic_window.h"
#include "encoder_beside_engine.h"
#include "frm_browse.h"
#include "frm_pellam.h"
#include "modal_script.h"
#include "named_child.h"
#include "real_engine.h"
#include "scoped_directory.h"
#include "started_main_window.h"

namespace {

// Sixteen megabytes of track: about a second and a half of encoding, many passes of the wait.
constexpr int32_t kTrackFrames = 16 * 262144;

// The file dialog's step: types name into File Name and presses OK.
ModalScript::Step typeName(const QString& name)
{
    return [name](QWidget* dialog) {
        auto* browse = qobject_cast<FrmBrowse*>(dialog);
        ASSERT_NE(browse, nullptr);
        browse->TxtFileName->setText(name);
        browse->CmdOK->click();
    };
}

class SaveWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }

    void SetUp() override
    {
        QSettings settings("Quorvel", "Quorvel");
        settings.clear();
        settings.setValue("Defaults/Memory", QString::number(kTrackFrames));
        ASSERT_TRUE(startAcceptingSettings(window));
        ASSERT_EQ(window.editor().state().mod->trklen, kTrackFrames);
    }
    void TearDown() override { window.editor().files().closeDevices(); }

    FrmPellam window{realEngine()};
    TempTree files;

    template <typename Widget>
    Widget* child(const char* name)
    {
        return namedChild<Widget>(window, name);
    }
};

// The MP3 of the whole track: 95 s of sound at 192 kbit/s, about 2.28 MB.
constexpr double kMp3Bytes = kTrackFrames / 44100.0 * 24000;

// Waits until the engine's save has written `bytes`, for at most half a minute.
void waitForTheSaveToReach(EngineApi& engine, double bytes)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (engine.SaveProgress() < bytes && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TEST_F(SaveWindow, LongMp3Save_TheBarAdvancesAboveTheTextWhileTheEngineIsLockedAway)
{
    loadEncoderBeside(BRENVIK_LIBRARY_PATH);
    EngineApi& engine = realEngine();
    for (int32_t index = 0; index < 2 * kTrackFrames; ++index)
        engine.TrackWrite(index, (index * 37) % 20000 - 10000);
    FrmMessage* busy = window.busyWindow();
    ASSERT_NE(busy, nullptr);
    auto* bar = namedChild<QProgressBar>(*busy, "prgProgress");
    auto* label = namedChild<QLabel>(*busy, "lblMessage");
    QList<int> values;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) { values << value; });

    // Looks at the windows every 20 ms while the save runs, as their events come in. The looks at
    // the bar's first five values while the export runs are paced by it rather than the clock:
    // each holds the window's thread until the export has written a tenth of the file past what
    // the bar shows, so the bar has something new to show next, however fast or slow this
    // machine encodes.
    QList<int> pacedFrom;
    int passesWithTheBar = 0;
    QStringList unlocked;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!busy->isVisible() || !bar->isVisible()) return;
        ++passesWithTheBar;
        for (const char* name : {"cmdSave", "cmdStop", "hscView", "mnuControlStop", "mnuFXFadeIn"})
            if (child<QObject>(name)->property("enabled").toBool()) unlocked << name;
        for (const char* name : {"mnuControl", "mnuFX"})
            if (child<QMenu>(name)->menuAction()->isEnabled()) unlocked << name;
        QTest::keyClick(busy, Qt::Key_Escape);  // does not hide it: the file is still written
        // The busy window turns events before the export starts; its count is 0 until it has.
        if (pacedFrom.size() < 5 && !pacedFrom.contains(bar->value()) &&
            engine.SaveProgress() > 0) {
            pacedFrom << bar->value();
            waitForTheSaveToReach(engine, (bar->value() + 10) / 100.0 * kMp3Bytes);
        }
    });
    watch.start(20);
    QList<SeenMessage> messages;
    ModalScript user({typeName(files.path("take.mp3")), answer(QMessageBox::Ok, &messages)});
    window.editor().files().saveAs();
    watch.stop();

    EXPECT_EQ(user.unexpected, 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].text, "Successfully Saved!");
    // The bar moved on through at least five values, never back, and stopped short of 100.
    EXPECT_GE(values.size(), 5);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_LE(values.back(), 99);
    EXPECT_GE(passesWithTheBar, 5);
    EXPECT_EQ(unlocked, QStringList());
    EXPECT_TRUE(child<QToolButton>("cmdStop")->isEnabled());
    EXPECT_TRUE(child<QMenu>("mnuFX")->menuAction()->isEnabled());

    // The bar sits in the strip above the text, which keeps its place; it goes with the window.
    const QRect classicLabel = quorvel::twipsRect(120, 240, 4935, 375);
    EXPECT_EQ(label->geometry().topLeft(), classicLabel.topLeft());
    EXPECT_EQ(label->height(), classicLabel.height());
    EXPECT_LT(bar->geometry().bottom(), label->geometry().top());
    EXPECT_TRUE(busy->rect().contains(bar->geometry()));
    busy->init();
    EXPECT_FALSE(bar->isVisible());  // the next caller shows no bar of its own
    busy->hide();
}

// A name typed without a dot is saved with ".wav": when that file exists, the question is
// asked for it, and No leaves it as it was.
TEST_F(SaveWindow, SongBesideSongWav_AsksBeforeOverwritingSongWav)
{
    const QString existing = files.path("song.wav");
    const QByteArray before("an earlier take");
    struct Case {
        QMessageBox::StandardButton answer;
        qint64 sizeAfter;
    };
    const Case cases[] = {{QMessageBox::No, before.size()}, {QMessageBox::Yes, 44 + 1000 * 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer == QMessageBox::Yes ? "Yes" : "No");
        ASSERT_NO_FATAL_FAILURE(files.addFile("song.wav", before));
        window.editor().selection().select(0, 1000);
        QList<SeenMessage> messages;
        ModalScript user({typeName(files.path("song")), answer(c.answer, &messages)});
        window.editor().files().saveAs();

        EXPECT_TRUE(user.finished());
        EXPECT_EQ(user.unexpected, 0);
        // The overwrite question, whose wording the browse tests check.
        EXPECT_EQ(messages.size(), 1);
        EXPECT_EQ(QFileInfo(existing).size(), c.sizeAfter);
        EXPECT_FALSE(QFileInfo::exists(files.path("song")));
    }
}

}  // namespace
