#include "client/ServiceAddress.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "client/DecimalText.h"

namespace sentrel {
namespace {

bool IsHostByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || c == '.' ||
           c == '-' || c == '_';
}

// A host name, an IPv4 address or a bracketed IPv6 address, then an optional port.
bool IsValidAuthority(std::string_view authority) {
    std::string_view host = authority;
    std::string_view rest;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        const std::string_view inside = authority.substr(1, close - 1);
        const bool ipv6 = std::all_of(inside.begin(), inside.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
        });
        if (!ipv6) return false;
        rest = authority.substr(close + 1);
    } else {
        const auto colon = authority.find(':');
        host = authority.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : authority.substr(colon);
        if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostByte)) return false;
    }
    if (rest.empty()) return true;
    return rest.front() == ':' && ParseDecimal(rest.substr(1), 1, 65535).has_value();
}

}  // namespace

std::optional<std::string> NormalizeServiceUrl(std::string_view text) {
    std::string_view scheme;
    for (const std::string_view candidate : {"http://", "https://"}) {
        if (text.starts_with(candidate)) scheme = candidate;
    }
    if (scheme.empty()) return std::nullopt;

    std::string_view authority = text.substr(scheme.size());
    while (authority.ends_with('/')) authority.remove_suffix(1);
    if (!IsValidAuthority(authority)) return std::nullopt;
    return std::string(scheme) + std::string(authority);
}

std::string ResolveServiceUrl(const std::optional<std::string>& commandLine, const char* environment,
                              std::string_view builtIn) {
    std::string source = "the built-in service address";
    std::string_view chosen = builtIn;
    if (commandLine && !commandLine->empty()) {
        source = "--service";
        chosen = *commandLine;
    } else if (environment != nullptr && environment[0] != '\0') {
        source = kServiceUrlVariable;
        chosen = environment;
    }
    if (std::optional<std::string> url = NormalizeServiceUrl(chosen)) return *url;
    throw std::invalid_argument(source + " must look like http://host[:port] or https://host[:port], not \"" +
                                std::string(chosen) + "\"");
}

std::string ServiceUrlFor(const std::optional<std::string>& commandLine) {
    return ResolveServiceUrl(commandLine, std::getenv(kServiceUrlVariable), BuiltInServiceUrl());
}

std::string_view BuiltInServiceUrl() { return SENTREL_DEFAULT_SERVICE_URL; }

}  // namespace sentrel
