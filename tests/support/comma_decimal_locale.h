// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdlib.h>  // setenv

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

#include "temp_directory.h"

// The process's locale as a German user's LC_ALL=de_DE.UTF-8 makes it, with a decimal comma,
// for as long as this lives (Qt programs set the C locale from the environment like this). The
// locale is compiled with localedef into a directory of its own, found through LOCPATH, so the
// machine needs the `locales` sources but no locale installed. error() is empty once it is set.
class CommaDecimalLocale {
public:
    CommaDecimalLocale()
    {
        if (directory_.path().empty()) {
            error_ = "no temporary directory";
            return;
        }
        const std::string compile =
            "localedef -i de_DE -f UTF-8 '" + directory_.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(compile.c_str()) != 0) {
            error_ = "localedef cannot make de_DE.UTF-8: install the locales package";
            return;
        }
        if (const char* locpath = std::getenv("LOCPATH")) {
            previousLocpath_ = locpath;
        }
        previousLocale_ = std::setlocale(LC_ALL, nullptr);
        setenv("LOCPATH", directory_.path().c_str(), 1);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            error_ = "the compiled de_DE.UTF-8 cannot be set";
        }
    }
    ~CommaDecimalLocale()
    {
        if (!previousLocale_.empty()) {
            std::setlocale(LC_ALL, previousLocale_.c_str());
        }
        if (previousLocpath_) {
            setenv("LOCPATH", previousLocpath_->c_str(), 1);
        } else {
            unsetenv("LOCPATH");
        }
    }
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    const std::string& error() const { return error_; }

private:
    TempDirectory directory_;
    std::string previousLocale_;
    std::optional<std::string> previousLocpath_;
    std::string error_;
};
