#include "track_length.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <regex>

#include "editor_numbers.h"

namespace {

// Plain decimal numbers, as a person would type them into the setting.
bool isNumber(std::string_view text)
{
    static const std::regex number(R"(\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*)");
    return std::regex_match(text.begin(), text.end(), number);
}

// What a number too large or too small for a double stands for: its sign times infinity, or 0.
double outOfRangeValue(std::string_view text)
{
    const auto exponent = text.find_first_of("eE");
    if (exponent != std::string_view::npos && text.find('-', exponent) != std::string_view::npos) return 0.0;
    return text.find('-') != std::string_view::npos ? -1e300 : 1e300;
}

}  // namespace

int32_t trackLengthFromSetting(std::string_view text)
{
    if (!isNumber(text)) return kDefaultTrackLength;
    const auto start = text.find_first_not_of(" \t\r\n\f\v+");
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) value = outOfRangeValue(text);
    // Out-of-range sizes cannot be shown by the settings dialog; they are held to 1..256 MB.
    value = std::clamp(value, double(kMinTrackLength), double(kMaxTrackLength));
    return toLong(value);
}

std::string recordingTimeText(double megabytes)
{
    const int32_t seconds = toLong(megabytes * 1048576.0 / kBytesPerSecond);
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d", int(seconds / 60), int(seconds % 60));
    return text;
}

int32_t roundedMegabytes(uint64_t bytes)
{
    return toLong(double(bytes) / 1048576.0);
}
