// SPDX-License-Identifier: GPL-3.0-or-later
// Which turns may be held together, and that a caller who cannot have one gives up at its limit.
#include "call_turns.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace brenvik {
namespace {

using namespace std::chrono_literals;
using Kind = CallTurns::Kind;

TEST(CallTurns, ReadersShareTheEngine_AnyoneElseWaitsAndGivesUpAtTheLimit)
{
    struct Case {
        const char* name;
        std::optional<Kind> held;  // on another thread
        Kind wanted;
        bool taken;
    };
    const Case cases[] = {
        {"nothing held, alone", std::nullopt, Kind::kAlone, true},
        {"nothing held, reader", std::nullopt, Kind::kBesideReaders, true},
        {"reader beside reader", Kind::kBesideReaders, Kind::kBesideReaders, true},
        {"alone beside reader", Kind::kBesideReaders, Kind::kAlone, false},
        {"reader beside alone", Kind::kAlone, Kind::kBesideReaders, false},
        {"alone beside alone", Kind::kAlone, Kind::kAlone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CallTurns turns;
        std::optional<CallTurns::Turn> holder;
        if (c.held) holder.emplace(turns, *c.held, 0ms);
        std::optional<bool> taken;
        std::thread([&] { taken = CallTurns::Turn(turns, c.wanted, 50ms).taken(); }).join();
        EXPECT_EQ(taken, c.taken);
    }
}

TEST(CallTurns, AWaitingCallerGetsItsTurnOnceTheHolderIsDone)
{
    CallTurns turns;
    std::optional<CallTurns::Turn> holder;
    holder.emplace(turns, Kind::kAlone, 0ms);
    bool taken = false;
    std::thread waiter([&] { taken = CallTurns::Turn(turns, Kind::kAlone, 10s).taken(); });
    std::this_thread::sleep_for(20ms);
    holder.reset();
    waiter.join();
    EXPECT_TRUE(taken);
}

}  // namespace
}  // namespace brenvik
