// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over the engine library of this build on the offscreen platform, started with
// fresh settings and the settings dialog's OK pressed, as the user starts it.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include "frm_pellam.h"
#include "modal_script.h"
#include "real_engine.h"

// Starts window's editor with the settings dialog's OK pressed; whether the dialog came and went.
inline bool startAcceptingSettings(FrmPellam& window)
{
    ModalScript script(
        {[](QWidget* dialog) { dialog->findChild<QPushButton*>("CmdOK")->click(); }});
    window.editor().startup();
    return script.finished();
}

class StartedMainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }

    void SetUp() override
    {
        QSettings("Quorvel", "Quorvel").clear();
        ASSERT_TRUE(startAcceptingSettings(window));
    }
    void TearDown() override { window.editor().files().closeDevices(); }

    FrmPellam window{realEngine()};
};
