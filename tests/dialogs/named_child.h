// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <gtest/gtest.h>

// The child of parent called name, of type Widget; a test failure when there is none.
template <typename Widget>
Widget* namedChild(const QObject& parent, const char* name)
{
    auto* found = parent.findChild<Widget*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}
