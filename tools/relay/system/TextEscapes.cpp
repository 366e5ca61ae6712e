#include "relay/system/TextEscapes.h"

#include <algorithm>
#include <cstdio>

namespace sentrel::service {
namespace {

std::string Escape(std::string_view text, const char* byteFormat, bool keepHighBytes) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !keepHighBytes)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, byteFormat, byte);
            out += escaped;
        } else {
            out += c;
        }
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
