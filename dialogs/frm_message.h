// SPDX-License-Identifier: GPL-3.0-or-later
// FrmMessage: the busy window. A caller sets its text, calls init() (which shows it and keeps
// the events turning for five 50 ms ticks, so it is painted before the work starts), works, and
// hides or unloads it. It offers no cancel. A caller whose work runs beside the window's events
// can show how far it has come in a progress bar above the text; hiding the window takes the bar
// away again.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <vector>

class QEventLoop;
class QLabel;
class QProgressBar;

class FrmMessage : public QDialog {
    Q_OBJECT
public:
    explicit FrmMessage(QWidget* parent = nullptr);
    ~FrmMessage() override;

    void setText(const QString& text);
    QString text() const;
    // Shows the window, not modal, and returns after five ticks of Timer1.
    void init();

    // Shows the progress bar at percent (0 to 100).
    void setProgress(int percent);
    // Neither Escape nor the window's close box hides it: the work it waits for goes on.
    void reject() override;
    // Hiding it hides the progress bar too.
    void setVisible(bool visible) override;

    bool timerActive() const { return Timer1.isActive(); }
    int32_t ticks() const { return lTicks; }  // since the last Init began

private:
    void fitWidth();  // to the title and the text
    void Timer1Tick();
    void endWaits();

    QLabel* lblMessage = nullptr;
    QProgressBar* prgProgress = nullptr;
    QTimer Timer1;
    int32_t lTicks = 0;
    std::vector<QEventLoop*> waits_;  // the Inits waiting for the fifth tick, innermost last
};
