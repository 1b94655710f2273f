// SPDX-License-Identifier: GPL-3.0-or-later
// Holds off the user's input meant for one window while a command runs there: keys and
// shortcuts, mouse buttons, moves and the wheel over the window and its menus are dropped. Other
// windows (the busy window, message boxes, dialogs) take their input as before, and every other
// event (paints, timers, a worker's completion, a close request) is delivered.
#pragma once

#include <QObject>

class QWidget;

class InputHold : public QObject {
public:
    explicit InputHold(QWidget& window);

    // Starts (true) or ends (false) dropping the window's input.
    void hold(bool held);

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    bool meantForWindow(const QObject* receiver) const;

    QWidget& window_;
    bool held_ = false;
};
