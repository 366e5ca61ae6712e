#include "relay/http/RequestTarget.h"

#include <string>

namespace sentrel::service {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text, bool plusIsSpace) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += plusIsSpace && text[i] == '+' ? ' ' : text[i];
        }
    }
    return decoded;
}

}  // namespace

std::optional<DeskRequest> DecodeTarget(std::string_view target) {
    if (!target.starts_with('/')) return std::nullopt;
    const std::size_t question = target.find('?');
    DeskRequest request;
    request.path = PercentDecoded(target.substr(0, question), false);
    if (question == std::string_view::npos) return request;
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
        const std::size_t equals = pair.find('=');
        if (pair.empty() || equals == 0) continue;
        const std::string_view value = equals == std::string_view::npos ? "" : pair.substr(equals + 1);
        request.params.emplace(PercentDecoded(pair.substr(0, equals), true), PercentDecoded(value, true));
    }
    return request;
}

}  // namespace sentrel::service
