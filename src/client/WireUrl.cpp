#include "client/WireUrl.h"

namespace sentrel {
namespace {

bool MustEncode(unsigned char byte) { return byte <= 0x20 || byte >= 0x7F || byte == '#'; }

}  // namespace

std::string WireUrl(std::string_view url) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string wire;
    wire.reserve(url.size());
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (MustEncode(byte)) {
            wire += '%';
            wire += kHex[byte >> 4];
            wire += kHex[byte & 0x0F];
        } else {
            wire += c;
        }
    }
    return wire;
}

}  // namespace sentrel
