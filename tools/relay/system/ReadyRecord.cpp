#include "relay/system/ReadyRecord.h"

namespace sentrel::service {
namespace {

constexpr std::string_view kUrlKey = "{\"url\":\"";
constexpr std::string_view kCodeKey = "\",\"code\":\"";
constexpr std::string_view kEnd = "\"}\n";

// The text up to `end`, when it holds nothing a JSON string would escape.
std::optional<std::string_view> PlainUpTo(std::string_view& text, std::string_view end) {
    const std::size_t at = text.find(end);
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view value = text.substr(0, at);
    if (value.find_first_of("\"\\") != std::string_view::npos) return std::nullopt;
    text.remove_prefix(at + end.size());
    return value;
}

}  // namespace

// Neither value needs escaping: the URL names an address the service has
// bound to, and the code is digits.
std::string ReadyRecord::Json() const {
    return std::string(kUrlKey) + url + std::string(kCodeKey) + code + std::string(kEnd);
}

std::optional<ReadyRecord> ReadyRecord::Parse(std::string_view json) {
    if (!json.starts_with(kUrlKey)) return std::nullopt;
    json.remove_prefix(kUrlKey.size());
    const std::optional<std::string_view> url = PlainUpTo(json, kCodeKey);
    const std::optional<std::string_view> code = url ? PlainUpTo(json, kEnd) : std::nullopt;
    if (!code || !json.empty()) return std::nullopt;
    return ReadyRecord{std::string(*url), std::string(*code)};
}

}  // namespace sentrel::service
