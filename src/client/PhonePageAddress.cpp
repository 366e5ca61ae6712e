#include "client/PhonePageAddress.h"

#include <cstdlib>

#include "client/LocalHost.h"

namespace sentrel {

std::optional<std::string> PhonePageUrl(std::string_view serviceUrl, const char* pageVariable) {
    const std::string chosen =
        pageVariable != nullptr && pageVariable[0] != '\0' ? std::string(pageVariable) : std::string(serviceUrl) + "/";
    if (IsLocalHost(UrlHost(chosen))) return std::nullopt;
    return chosen;
}

std::optional<std::string> PhonePageUrlFor(std::string_view serviceUrl) {
    return PhonePageUrl(serviceUrl, std::getenv(kPageUrlVariable));
}

}  // namespace sentrel
