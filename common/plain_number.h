// SPDX-License-Identifier: GPL-3.0-or-later
// Decimal numbers read from text the same way in every locale: a comma-decimal locale (de_DE)
// must not turn "2.5" into 2, as strtod, atof and std::stod would once the program's locale is
// set (Qt sets it from the environment).
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace quorvel {

namespace plain_number_detail {

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// What a number too large or too small for a double stands for: 0 for a negative exponent,
// otherwise a magnitude beyond every value the program takes.
inline double outOfRangeMagnitude(std::string_view digits)
{
    const auto exponent = digits.find_first_of("eE");
    const bool tiny =
        exponent != std::string_view::npos && digits.find('-', exponent) != std::string_view::npos;
    return tiny ? 0.0 : 1e300;
}

}  // namespace plain_number_detail

// A plain decimal number as a person types it: blanks around it, one sign, digits with at most
// one point, an optional exponent. Hexadecimal, "inf", "nan", a decimal comma and thousands
// separators are no numbers.
inline std::optional<double> plainNumber(std::string_view text)
{
    using namespace plain_number_detail;
    constexpr std::string_view kBlanks = " \t\n\v\f\r";
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

}  // namespace quorvel
