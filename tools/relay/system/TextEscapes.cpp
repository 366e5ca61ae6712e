#include "relay/system/TextEscapes.h"

#include <algorithm>
#include <cstdio>

namespace sentrel::service {
namespace {

// The length of the well-formed UTF-8 sequence at the start of text when
// it is a printable character (U+00A0 on, leaving out the C1 controls),
// or 0.
std::size_t PrintableUtf8Length(std::string_view text) {
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const std::size_t length = byte(0) >= 0xF0 ? 4 : byte(0) >= 0xE0 ? 3 : byte(0) >= 0xC0 ? 2 : 0;
    if (length == 0 || byte(0) > 0xF4 || text.size() < length) return 0;
    char32_t code = byte(0) & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3Fu);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0xA0, 0x800, 0x10000};
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < kLeast[length] || surrogate || code > 0x10FFFF ? 0 : length;
}

std::string Escape(std::string_view text, const char* byteFormat, bool keepHighBytes) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t kept = byte < 0x80 ? 0 : keepHighBytes ? 1 : PrintableUtf8Length(text.substr(i));
        if (kept > 0) {
            out += text.substr(i, kept);
            i += kept;
            continue;
        }
        if (text[i] == '\\' || text[i] == '"') {
            out += '\\';
            out += text[i];
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, byteFormat, byte);
            out += escaped;
        } else {
            out += text[i];
        }
        ++i;
    }
    return out;
}

}  // namespace

std::string Printable(std::string_view text) { return Escape(text, "\\x%02X", false); }

std::string MaskedOpenId(std::string_view openId) {
    return openId.empty() ? std::string() : std::string(openId.substr(0, 4)) + "...";
}

std::string JsonEscaped(std::string_view text) { return Escape(text, "\\u%04x", true); }

std::string JsonString(std::string_view text) {
    // Appended piece by piece: mingw's GCC 12 takes `"\"" + std::string&&`
    // for an overlapping copy at -O3 (a false alarm, but warnings stop the
    // build).
    std::string quoted = "\"";
    quoted += JsonEscaped(text);
    quoted += '"';
    return quoted;
}

}  // namespace sentrel::service
