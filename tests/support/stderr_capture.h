// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

// Standard error into a temporary file for as long as it lives, or until text() reads it back.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved_ = ::dup(2);
        if (sink_ != nullptr) {
            ::dup2(::fileno(sink_), 2);
        }
    }
    ~StderrCapture()
    {
        restore();
        if (sink_ != nullptr) {
            std::fclose(sink_);
        }
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // What was written, or "no capture" when there was no file to take it.
    std::string text()
    {
        restore();
        if (sink_ == nullptr) {
            return "no capture";
        }
        std::string written;
        std::rewind(sink_);
        for (int c; (c = std::fgetc(sink_)) != EOF;) {
            written += char(c);
        }
        return written;
    }

private:
    void restore()
    {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, 2);
            ::close(saved_);
            saved_ = -1;
        }
    }

    std::FILE* sink_ = std::tmpfile();
    int saved_ = -1;
};
