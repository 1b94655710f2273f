// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers in text are read the same under every locale: a user's LC_ALL=de_DE.UTF-8, whose
// decimal comma made strtod read the simulated card's speed 2.5 as 2, changes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "comma_decimal_locale.h"
#include "device/sim_device.h"
#include "plain_number.h"

namespace {

struct Reading {
    const char* text;
    std::optional<double> number;
};

TEST(LocaleNumbersTest, DecimalPointsAreReadAsPointsUnderACommaDecimalLocale)
{
    const CommaDecimalLocale german;
    ASSERT_EQ(german.error(), "");
    ASSERT_EQ(std::strtod("2.5", nullptr), 2.0) << "the locale does not read a decimal comma";

    for (const Reading& reading : {
             Reading{"2.5", 2.5},
             Reading{" 0.25\n", 0.25},
             Reading{"-1.5e3", -1500.0},
             Reading{"1.000", 1.0},  // a point is a decimal point, not a thousands separator
             Reading{"2,5", std::nullopt},
             Reading{"1.000,5", std::nullopt},
         }) {
        EXPECT_EQ(quorvel::plainNumber(reading.text), reading.number) << reading.text;
    }

    ::setenv("BRENVIK_SIM_SPEED", "2.5", 1);
    EXPECT_EQ(brenvik::device::SimConfig::fromEnvironment().speed, 2.5);
    ::unsetenv("BRENVIK_SIM_SPEED");
}

}  // namespace
