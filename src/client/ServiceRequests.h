#pragma once

#include <string>

namespace sentrel {

// The program's version as the version notice reports it.
inline constexpr const char* kProgramVersion = "5.0.2";

// The URLs of the five requests to the notification service. Values are
// concatenated as they are, with no escaping: the service sees exactly what
// the user typed and what it handed out (the transport alone makes the bytes
// safe for the request line).
class ServiceRequests {
public:
    // serviceUrl: scheme, host and optional port, without a trailing slash.
    explicit ServiceRequests(std::string serviceUrl);

    std::string VersionNotice() const;
    std::string SignIn(const std::string& verificationCode) const;
    std::string Alert(const std::string& openId, int r, int area) const;
    std::string KeepAlive(const std::string& openId) const;
    std::string SignOff(const std::string& openId) const;

private:
    std::string Script(const char* nameAndQuery) const;

    std::string serviceUrl_;
};

}  // namespace sentrel
