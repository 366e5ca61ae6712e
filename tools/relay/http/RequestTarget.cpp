#include "relay/http/RequestTarget.h"

#include <string>
#include <utility>

#include "relay/system/TextEscapes.h"

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

// Calls each with every piece of the query between '&'s, empty ones too.
template <typename Each>
void ForEachPair(std::string_view query, Each each) {
    for (;;) {
        const std::size_t amp = query.find('&');
        each(query.substr(0, amp));
        if (amp == std::string_view::npos) return;
        query.remove_prefix(amp + 1);
    }
}

std::pair<std::string, std::string> DecodedPair(std::string_view pair) {
    const std::size_t equals = pair.find('=');
    const std::string_view value = equals == std::string_view::npos ? "" : pair.substr(equals + 1);
    return {PercentDecoded(pair.substr(0, equals), true), PercentDecoded(value, true)};
}

}  // namespace

std::optional<DeskRequest> DecodeTarget(std::string_view target) {
    if (!target.starts_with('/')) return std::nullopt;
    const std::size_t question = target.find('?');
    DeskRequest request;
    request.path = PercentDecoded(target.substr(0, question), false);
    if (question == std::string_view::npos) return request;
    ForEachPair(target.substr(question + 1), [&request](std::string_view pair) {
        if (!pair.empty() && !pair.starts_with('=')) request.params.insert(DecodedPair(pair));
    });
    return request;
}

std::string MaskedTarget(std::string_view target) {
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos) return std::string(target);
    std::string masked(target.substr(0, question + 1));
    ForEachPair(target.substr(question + 1), [&masked, first = true](std::string_view pair) mutable {
        if (!std::exchange(first, false)) masked += '&';
        const auto [name, value] = DecodedPair(pair);
        masked += name == "openid" ? "openid=" + MaskedOpenId(value) : std::string(pair);
    });
    return masked;
}

}  // namespace sentrel::service
