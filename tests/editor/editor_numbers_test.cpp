// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "editor_numbers.h"

namespace {

TEST(EditorNumbers, FloatsRoundToNearestWithHalvesToEven)
{
    EXPECT_EQ(toLong(2.5), 2);
    EXPECT_EQ(toLong(3.5), 4);
    EXPECT_EQ(toLong(-2.5), -2);
    EXPECT_EQ(toLong(-2.6), -3);
    EXPECT_EQ(toInteger(32767.4), 32767);
}

TEST(EditorNumbers, OverflowIsAnErrorNotAWrapAround)
{
    EXPECT_THROW(toLong(2147483648.0), EditorOverflow);
    EXPECT_THROW(toLong(std::nan("")), EditorOverflow);
    EXPECT_THROW(toInteger(32767.5), EditorOverflow);
    EXPECT_THROW(checkedAdd(2147483647, 1), EditorOverflow);
    EXPECT_THROW(checkedSub(-2147483647 - 1, 1), EditorOverflow);
    EXPECT_THROW(checkedMul(65536, 32768), EditorOverflow);
    EXPECT_EQ(checkedMul(2, 1048574), 2097148);
}

}  // namespace
