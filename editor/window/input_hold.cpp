// SPDX-License-Identifier: GPL-3.0-or-later
#include "input_hold.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QWidget>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease: return true;
        default: return false;
    }
}

}  // namespace

InputHold::InputHold(QWidget& window)
    : QObject(&window),
      window_(window)
{}

void InputHold::hold(bool held)
{
    if (held == held_) return;
    held_ = held;
    // On the application, so that shortcuts (delivered to the window's actions) are seen too.
    if (held)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool InputHold::eventFilter(QObject* receiver, QEvent* event)
{
    return isUserInput(event->type()) && meantForWindow(receiver);
}

// The window itself, its children and actions, and its menus (popups of their own); not the
// other top-level windows it owns, such as the busy window and the message boxes.
bool InputHold::meantForWindow(const QObject* receiver) const
{
    for (const QObject* object = receiver; object != nullptr; object = object->parent()) {
        if (object == &window_) return true;
        const auto* widget = qobject_cast<const QWidget*>(object);
        if (widget != nullptr && widget->isWindow() &&
            qobject_cast<const QMenu*>(widget) == nullptr)
            return false;
    }
    return false;
}
