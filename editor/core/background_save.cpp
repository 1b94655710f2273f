// SPDX-License-Identifier: GPL-3.0-or-later
#include "background_save.h"

#include <system_error>
#include <utility>

BackgroundSave::BackgroundSave(Export save, int32_t from, int32_t to, std::string path)
    : path_(std::move(path))
{
    const auto run = [this, save, from, to] {
        result_.store(save(from, to, path_.c_str()));
        done_.store(true);
    };
    try {
        worker_ = std::thread(run);
    } catch (const std::system_error&) {
        run();  // no thread to be had: the file is saved all the same, with the window waiting
    }
}

BackgroundSave::~BackgroundSave()
{
    finish();
}

int32_t BackgroundSave::result()
{
    finish();
    return result_.load();
}

void BackgroundSave::finish()
{
    if (worker_.joinable()) worker_.join();
}
