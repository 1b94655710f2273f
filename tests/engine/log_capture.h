// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Points the diagnostic log at a fresh temporary directory for one test and reads it back.
class LogCapture {
public:
    LogCapture()
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("brenvik-log-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
        std::filesystem::remove_all(dir_);
        ::setenv("XDG_STATE_HOME", dir_.c_str(), 1);
    }
    ~LogCapture() { std::filesystem::remove_all(dir_); }

    bool exists() const { return std::filesystem::exists(dir_ / "pellam.log"); }

    std::vector<std::string> lines() const
    {
        std::ifstream in(dir_ / "pellam.log");
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);) {
            result.push_back(line + "\n");
        }
        return result;
    }

    // The lines written from the first occurrence of `first` on.
    std::vector<std::string> linesFrom(const std::string& first) const
    {
        std::vector<std::string> all = lines();
        auto start = std::find(all.begin(), all.end(), first);
        return {start, all.end()};
    }

    std::filesystem::path dir() const { return dir_; }

private:
    static inline int counter_ = 0;
    std::filesystem::path dir_;
};
