// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "stall_watch.h"

namespace brenvik {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kPeriod{3000};
const StallWatch::Clock::time_point kStart;

// One reading: when (after the arm), what the device said (none: the query failed), and
// whether the watch must call the device stalled then.
struct Reading {
    std::chrono::milliseconds at;
    std::optional<uint32_t> frames;
    bool stalled;
};

struct Case {
    const char* name;
    std::vector<Reading> readings;
};

TEST(StallWatchTest, ACountThatStandsForThePeriodIsAStall_AnyMoveIsNot)
{
    const Case cases[] = {
        {"moving all along",
         {{10ms, 0, false}, {2900ms, 441, false}, {5800ms, 882, false}, {8700ms, 1323, false}}},
        {"standing once it ran",
         {{10ms, 0, false}, {100ms, 441, false}, {3099ms, 441, false}, {3100ms, 441, true}}},
        {"readings far apart that moved",
         {{10ms, 0, false}, {100ms, 441, false}, {60000ms, 99999, false}}},
        {"the first reading long after the start",
         {{20000ms, 0, false}, {22000ms, 0, false}, {25000ms, 441, false}}},
        {"a slow start is allowed twice the period",
         {{10ms, 0, false},
          {5000ms, 0, false},
          {5500ms, 441, false},
          {8499ms, 441, false},
          {8500ms, 441, true}}},
        {"never starting", {{10ms, 0, false}, {6009ms, 0, false}, {6010ms, 0, true}}},
        {"failed queries stand still",
         {{10ms, 0, false},
          {100ms, 441, false},
          {1000ms, std::nullopt, false},
          {3100ms, std::nullopt, true}}},
        {"a playback counting on from the last one",
         {{10ms, 70000, false}, {100ms, 70441, false}, {3100ms, 70441, true}}},
    };
    // Each case runs twice on one watch, armed afresh long after the first run: nothing of that
    // run may carry over.
    for (const Case& c : cases) {
        StallWatch watch(kPeriod);
        for (const StallWatch::Clock::time_point start : {kStart, kStart + 100s}) {
            watch.arm(start);
            for (const Reading& reading : c.readings) {
                EXPECT_EQ(watch.stalled(reading.frames, start + reading.at), reading.stalled)
                    << c.name << ", at " << reading.at.count() << " ms, armed "
                    << (start == kStart ? "once" : "again");
            }
        }
    }
}

TEST(StallWatchTest, ReadingsAreDueEveryThirtiethOfThePeriod)
{
    StallWatch watch(kPeriod);
    watch.arm(kStart);
    EXPECT_FALSE(watch.readingDue(kStart + 99ms));
    EXPECT_TRUE(watch.readingDue(kStart + 100ms));
    EXPECT_FALSE(watch.stalled(0, kStart + 100ms));
    EXPECT_TRUE(watch.stalled(0, kStart + 6100ms));
    EXPECT_FALSE(watch.readingDue(kStart + 6150ms));
}

}  // namespace
}  // namespace brenvik
