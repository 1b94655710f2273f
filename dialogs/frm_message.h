// FrmMessage: the busy window. A caller sets its text, calls init() (which shows it and keeps
// the events turning for five 50 ms ticks, so it is painted before the work starts), works, and
// hides or unloads it. It tracks no progress and offers no cancel.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <vector>

class QEventLoop;
class QLabel;

class FrmMessage : public QDialog {
    Q_OBJECT
public:
    explicit FrmMessage(QWidget* parent = nullptr);
    ~FrmMessage() override;

    void setText(const QString& text);
    QString text() const;
    // Shows the window, not modal, and returns after five ticks of Timer1.
    void init();

    bool timerActive() const { return Timer1.isActive(); }
    int32_t ticks() const { return lTicks; }  // since the last Init began

private:
    void Timer1Tick();
    void endWaits();

    QLabel* lblMessage = nullptr;
    QTimer Timer1;
    int32_t lTicks = 0;
    std::vector<QEventLoop*> waits_;  // the Inits waiting for the fifth tick, innermost last
};
