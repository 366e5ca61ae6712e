#include "TextEscapes.h"

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

std::string JsonEscaped(std::string_view text) { return Escape(text, "\\u%04x", true); }

}  // namespace sentrel::service
