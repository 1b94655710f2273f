// SPDX-License-Identifier: GPL-3.0-or-later
// A part of the editor's state that one command group changes and the others only read: the
// owner writes through change(), everyone reads through read() or ->.
#pragma once

template <typename State, typename Owner>
class OwnedState {
public:
    const State& read() const { return state_; }
    const State* operator->() const { return &state_; }

private:
    friend Owner;
    State& change() { return state_; }

    State state_{};
};
