// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "qt_printers.h"

// The controls of a window that a user cannot fully reach: one that reaches past the edges of
// the window or frame it sits in, or whose centre another control covers. Each fault reads
// "name: what is wrong". Frames (group boxes) and plain container widgets are looked into; the
// parts a control is made of (a list's viewport, a combo box's button) are not. checked counts
// the controls looked at, so that a test can tell that there were some.
inline QStringList unreachableControls(const QWidget& window, int& checked)
{
    QStringList faults;
    const auto isContainer = [](const QWidget* widget) {
        return qobject_cast<const QGroupBox*>(widget) ||
               widget->metaObject() == &QWidget::staticMetaObject;
    };
    const auto name = [](const QWidget* control) {
        return control->objectName().isEmpty() ? QString(control->metaObject()->className())
                                               : control->objectName();
    };
    QList<const QWidget*> parents{&window};
    while (!parents.isEmpty()) {
        const QWidget* parent = parents.takeFirst();
        for (const QWidget* control : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->isWindow() || control->isHidden()) continue;
            ++checked;
            if (!parent->rect().contains(control->geometry()))
                faults << name(control) + ": reaches past the edges of " + name(parent);
            const QWidget* atCentre = parent->childAt(control->geometry().center());
            if (atCentre != control && !control->isAncestorOf(atCentre))
                faults << name(control) + ": its centre is covered";
            if (isContainer(control)) parents << control;
        }
    }
    return faults;
}
