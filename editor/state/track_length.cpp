#include "track_length.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "editor_numbers.h"

namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// What a number too large or too small for a double stands for: 0 for a negative exponent,
// otherwise a magnitude beyond every track length.
double outOfRangeMagnitude(std::string_view digits)
{
    const auto exponent = digits.find_first_of("eE");
    const bool tiny = exponent != std::string_view::npos && digits.find('-', exponent) != std::string_view::npos;
    return tiny ? 0.0 : 1e300;
}

// A plain decimal number as a person types it into the setting: blanks around it, one sign,
// digits with at most one point, an optional exponent. Hexadecimal, "inf", "nan" and thousands
// separators are no numbers. Read the same way in every locale.
std::optional<double> plainNumber(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    const bool negative = text.front() == '-';
    if (text.front() == '-' || text.front() == '+') text.remove_prefix(1);
    // from_chars also reads the words "inf" and "nan": a plain number starts with a digit or a point.
    if (text.empty() || !(isDigit(text.front()) || text.front() == '.')) return std::nullopt;
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (stop != end || error == std::errc::invalid_argument) return std::nullopt;
    if (error == std::errc::result_out_of_range) value = outOfRangeMagnitude(text);
    return negative ? -value : value;
}

}  // namespace

int32_t trackLengthFromSetting(std::string_view text)
{
    const std::optional<double> number = plainNumber(text);
    if (!number) return kDefaultTrackLength;
    // Out-of-range sizes cannot be shown by the settings dialog; they are held to 1..256 MB.
    return toLong(std::clamp(*number, double(kMinTrackLength), double(kMaxTrackLength)));
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
