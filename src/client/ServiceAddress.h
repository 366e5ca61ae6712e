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

// The service address to use: the command line's (--service) when given,
// else the environment variable's, else the built-in one; an empty one
// counts as none. Throws std::invalid_argument with a message for the user,
// naming where the text came from, when the chosen text is not a service
// address.
std::string ResolveServiceUrl(const std::optional<std::string>& commandLine, const char* environment,
                              std::string_view builtIn);

// ResolveServiceUrl with this process's environment and build.
std::string ServiceUrlFor(const std::optional<std::string>& commandLine);

// The address this build was configured with.
std::string_view BuiltInServiceUrl();

}  // namespace sentrel
