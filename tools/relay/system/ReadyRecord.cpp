#include "relay/system/ReadyRecord.h"

#include <array>

namespace sentrel::service {
namespace {

using Field = std::string ReadyRecord::*;
constexpr std::array<std::pair<std::string_view, Field>, 4> kFields = {{
    {"url", &ReadyRecord::url},
    {"code", &ReadyRecord::code},
    {"subscribe", &ReadyRecord::subscribe},
    {"page", &ReadyRecord::page},
}};

}  // namespace

// No value needs escaping: the URLs name addresses the service has bound to
// or was given and checked, and the code is digits.
std::string ReadyRecord::Json() const {
    std::string json;
    for (const auto& [key, field] : kFields) {
        json += (json.empty() ? "{\"" : ",\"") + std::string(key) + "\":\"" + this->*field + "\"";
    }
    return json + "}\n";
}

std::optional<ReadyRecord> ReadyRecord::Parse(std::string_view json) {
    ReadyRecord record;
    for (const auto& [key, field] : kFields) {
        const std::string opening = (field == kFields.front().second ? "{\"" : ",\"") + std::string(key) + "\":\"";
        if (!json.starts_with(opening)) return std::nullopt;
        json.remove_prefix(opening.size());
        const std::size_t end = json.find('"');
        if (end == std::string_view::npos || json.substr(0, end).find('\\') != std::string_view::npos) {
            return std::nullopt;
        }
        record.*field = std::string(json.substr(0, end));
        json.remove_prefix(end + 1);
    }
    if (json != "}\n") return std::nullopt;
    return record;
}

}  // namespace sentrel::service
