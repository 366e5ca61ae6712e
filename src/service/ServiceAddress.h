#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sentrel {

// The name of the environment variable that overrides the built-in address.
inline constexpr const char* kServiceUrlVariable = "SENTREL_SERVICE_URL";

// "http://host[:port]" or "https://host[:port]", with any trailing slashes
// dropped; std::nullopt for anything else (another scheme, a path, a query,
// a bad port, white space or control bytes).
std::optional<std::string> NormalizeServiceUrl(std::string_view text);

// The service address to use: the override when one is given (an empty
// override counts as none), the built-in one otherwise. Throws
// std::invalid_argument with a message for the user when the chosen text is
// not a service address.
std::string ResolveServiceUrl(const char* overrideText, std::string_view builtIn);

// ResolveServiceUrl with the environment variable over the built-in address.
std::string ServiceUrlFromEnvironment();

// The address this build was configured with.
std::string_view BuiltInServiceUrl();

}  // namespace sentrel
