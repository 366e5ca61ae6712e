#include "client/DecimalText.h"

#include <algorithm>
#include <charconv>

namespace sentrel {

std::optional<int> ParseDecimal(std::string_view text, int low, int high) {
    if (text.empty() || text.size() > 9 || (text.size() > 1 && text.front() == '0')) return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace sentrel
