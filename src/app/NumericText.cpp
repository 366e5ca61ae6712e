#include "app/NumericText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace sentrel {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the run of digits at the start of text.
std::size_t Digits(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && IsDigit(text[n])) ++n;
    return n;
}

bool MatchesNumberPattern(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t whole = Digits(text.substr(i));
    i += whole;
    std::size_t fraction = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        fraction = Digits(text.substr(i));
        i += fraction;
    }
    if (whole == 0 && fraction == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t exponent = Digits(text.substr(i));
        if (exponent == 0) return false;
        i += exponent;
    }
    return i == text.size();
}

template <typename Int>
std::optional<Int> RoundTo(double value, double low, double high) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= low && rounded <= high)) return std::nullopt;
    return static_cast<Int>(rounded);
}

}  // namespace

std::optional<double> ParseNumericText(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    if (!MatchesNumberPattern(text)) return std::nullopt;

    // from_chars takes no leading '+'.
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int16_t> RoundToInt16(double value) { return RoundTo<std::int16_t>(value, -32768.0, 32767.0); }

std::optional<std::int32_t> RoundToInt32(double value) {
    return RoundTo<std::int32_t>(value, -2147483648.0, 2147483647.0);
}

}  // namespace sentrel
