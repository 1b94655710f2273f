// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit_history.h"

#include <utility>

void EditHistory::reset(size_t byteBound)
{
    clear();
    bound_ = byteBound;
}

void EditHistory::clear()
{
    done_.clear();
    undone_.clear();
    bytes_ = 0;
}

bool EditHistory::makeRoom(size_t values)
{
    const size_t needed = values * sizeof(int16_t);
    if (needed > bound_) {
        clear();
        return false;
    }
    while (bytes_ + needed > bound_) {
        bytes_ -= done_.front().bytes();
        done_.pop_front();
    }
    return true;
}

void EditHistory::add(EditRecord edit)
{
    undone_.clear();
    keep(std::move(edit));
}

void EditHistory::addRedone(EditRecord edit)
{
    keep(std::move(edit));
}

EditRecord EditHistory::takeUndo()
{
    EditRecord edit = std::move(done_.back());
    done_.pop_back();
    bytes_ -= edit.bytes();
    undone_.push_back(edit.step);
    return edit;
}

EditStep EditHistory::takeRedo()
{
    const EditStep step = undone_.back();
    undone_.pop_back();
    return step;
}

void EditHistory::keep(EditRecord edit)
{
    if (!makeRoom(edit.before.size())) return;
    bytes_ += edit.bytes();
    done_.push_back(std::move(edit));
}
