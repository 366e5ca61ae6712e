#pragma once

#include <boost/asio/ip/address.hpp>
#include <boost/beast/core/error.hpp>

#include "relay/desk/AlertDesk.h"
#include "relay/desk/AlertIntake.h"
#include "relay/http/AllowedHosts.h"
#include "relay/http/RequestHead.h"

namespace sentrel::service {

// Both ends of a connection: the client's address, and the service's own
// address that the client reached.
struct ConnectionEnds {
    boost::asio::ip::address client;
    boost::asio::ip::address local;
};

struct HttpReply {
    DeskReply desk;
    // The connection ends after this reply, whatever the client asked for.
    bool close = false;
};

// What a request gets. The HTTP layer's refusals come first (a body, a
// Host that is not this service's, a method other than GET and POST), so
// that no script runs for them; the rest goes to the desk, and an alert it
// accepts to the intake.
class RequestRouter {
public:
    RequestRouter(AlertDesk& desk, AlertIntake& intake, AllowedHosts hosts);

    HttpReply Answer(const RequestHead& head, const ConnectionEnds& ends);

    // For a head that could not be read: malformed, too large, or not done
    // within HttpLimits::kHeadDeadline.
    static HttpReply Unreadable(const RequestHead& head, boost::beast::error_code error);
    static HttpReply TooSlow();

private:
    AlertDesk& desk_;
    AlertIntake& intake_;
    AllowedHosts hosts_;
};

}  // namespace sentrel::service
