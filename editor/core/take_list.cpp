// SPDX-License-Identifier: GPL-3.0-or-later
#include "take_list.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <sstream>

#include "brenvik.h"

namespace {

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> found;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) found.push_back(field);
    return found;
}

template <typename Number>
bool readNumber(const std::string& text, Number& number)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::vector<TakeListing> parseTakeList(const std::string& text)
{
    std::vector<TakeListing> takes;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> field = fields(line);
        TakeListing take;
        int64_t startedMs = 0;
        if (field.size() < 6 || !readNumber(field[2], take.recordedFrames) ||
            !readNumber(field[3], take.trackLength) || !readNumber(field[4], startedMs) ||
            !readNumber(field[5], take.endedMs)) {
            continue;
        }
        take.path = field[0];
        take.refused = field[1] != "unsaved";
        takes.push_back(take);
    }
    return takes;
}

std::vector<TakeListing> listTakes(EngineApi& engine)
{
    const int32_t needed = engine.ListTakes(nullptr, 0);
    if (needed <= 0) return {};
    std::string text(size_t(needed), '\0');
    if (engine.ListTakes(text.data(), needed) != needed) return {};
    text.resize(text.find('\0'));
    return parseTakeList(text);
}

std::string takeLengthText(const TakeListing& take)
{
    const int64_t frames = std::min<int64_t>(take.recordedFrames, take.trackLength);
    const int64_t seconds = frames / BRENVIK_SAMPLE_RATE;
    const int64_t rest = seconds % 60;
    return std::to_string(seconds / 60) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

std::string takeEndText(const TakeListing& take)
{
    const std::time_t seconds = take.endedMs / 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[128];
    const size_t written = std::strftime(text, sizeof text, "%x %X", &local);
    return std::string(text, written);
}
