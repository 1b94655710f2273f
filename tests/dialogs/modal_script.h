// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Plays the user's part for the modal windows that the code under test opens: each window that
// becomes the active modal one is handed to the next step, in order. Each step must close its
// window. A window that is left open, or that comes when no steps remain, is rejected and
// counted in `unexpected`, so a faulty test fails instead of hanging in the modal loop.
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(QList<Step> steps)
        : steps_(std::move(steps))
    {
        timer_.setInterval(0);  // runs from inside the modal window's own event loop
        QObject::connect(&timer_, &QTimer::timeout, [this] { playNextStep(); });
        timer_.start();
    }

    bool finished() const { return steps_.isEmpty(); }
    int unexpected = 0;

private:
    void playNextStep()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        if (modal == handled_ || steps_.isEmpty()) {
            ++unexpected;
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            return;
        }
        handled_ = modal;
        steps_.takeFirst()(modal);
    }

    QList<Step> steps_;
    QPointer<QWidget> handled_;
    QTimer timer_;
};

// What a message box showed.
struct SeenMessage {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// A step that records the message box it gets and presses button.
inline ModalScript::Step answer(QMessageBox::StandardButton button, QList<SeenMessage>* seen)
{
    return [button, seen](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box) return;  // left open: counted as unexpected
        seen->append({box->text(), box->windowTitle(), box->icon(), box->standardButtons()});
        box->button(button)->click();
    };
}
