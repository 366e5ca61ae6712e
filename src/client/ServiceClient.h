#pragma once

#include <optional>
#include <string>

#include "client/ServiceRequests.h"
#include "client/Transport.h"

namespace sentrel {

// Sends the five requests. No call throws or reports a network failure to
// the user; the two whose outcome matters say whether the service accepted.
class ServiceClient {
public:
    ServiceClient(Transport& transport, ServiceRequests requests);

    // The notice text, or the empty string when nothing came back.
    std::string VersionNotice();

    // The OpenId the service handed out, or std::nullopt when it refused the
    // code ("err01"), answered with an error status or an empty body, or did
    // not answer at all. An accepted reply is kept exactly as received.
    std::optional<std::string> SignIn(const std::string& verificationCode);

    enum class Delivery { Accepted, TryAgain, Refused, NoReply };
    // Accepted once the service has answered the alert with a 2xx status;
    // TryAgain for an answer that says a later try may succeed (a server
    // error, 408 or 429); Refused for any other answer, which no retry can
    // change (an unknown OpenId, a bad signature); NoReply when none came.
    Delivery SendAlert(const std::string& openId, int r, int area);

    void KeepAlive(const std::string& openId);
    void SignOff(const std::string& openId);

private:
    Transport& transport_;
    ServiceRequests requests_;
};

}  // namespace sentrel
