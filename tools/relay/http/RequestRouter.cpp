#include "relay/http/RequestRouter.h"

#include <boost/beast/http/error.hpp>

#include "relay/http/RequestTarget.h"
#include "relay/system/TextEscapes.h"

namespace sentrel::service {
namespace {

namespace http = boost::beast::http;

HttpReply Refusal(int status, std::string body, std::string note, bool close = false) {
    return {DeskReply{.status = status, .body = std::move(body), .note = std::move(note)}, close};
}

// Browsers say where a request comes from; the tool says nothing.
bool FromWebPage(const RequestHead& head) {
    const std::optional<std::string>& site = head.SecFetchSite();
    return head.HasOrigin() || (site && *site != "none" && *site != "same-origin");
}

}  // namespace

RequestRouter::RequestRouter(AlertDesk& desk, AlertIntake& intake, AllowedHosts hosts)
    : desk_(desk), intake_(intake), hosts_(std::move(hosts)) {}

HttpReply RequestRouter::Answer(const RequestHead& head, const ConnectionEnds& ends) {
    // Left unread, the body would be taken for the next request.
    if (head.AnnouncesBody()) {
        return Refusal(400, "parameters go in the query string", "refused a request body", true);
    }
    if (head.HostCount() > 1) return Refusal(400, "one Host field only", "refused several Host fields", true);
    // HTTP/1.1 requires the field, and a name in it.
    if (head.Version() >= 11 && (!head.Host() || head.Host()->empty())) {
        return Refusal(400, "a Host field, please", "refused HTTP/1.1 without a Host", true);
    }
    if (head.Host() && !head.Host()->empty() && !hosts_.Allows(*head.Host(), ends.local)) {
        return Refusal(421, "this service does not answer for that host",
                       "refused Host \"" + Printable(*head.Host()) + "\"");
    }
    // The scripts have effects (a code used up, an alert logged), which a
    // HEAD request must not trigger; its reply has no body.
    if (head.Verb() == http::verb::head) return Refusal(405, "", "HEAD is not served");
    if (head.Verb() != http::verb::get && head.Verb() != http::verb::post) {
        return Refusal(405, "GET or POST only", Printable(head.Method()) + " is not served");
    }
    std::optional<DeskRequest> request = DecodeTarget(head.Target());
    if (!request) return Refusal(400, "a path, please", "refused a target that is not a path");
    request->client = ends.client.to_string();
    request->fromWebPage = FromWebPage(head);
    DeskReply reply;
    try {
        reply = desk_.Handle(*request, AlertDesk::Clock::now());
    } catch (const std::exception& error) {
        return Refusal(500, "the service failed, try again", "failed: " + Printable(error.what()));
    }
    if (reply.alert && !intake_.Take(*reply.alert)) {
        return Refusal(503, "alert not recorded, send it again", reply.note + ", not recorded");
    }
    intake_.Owed(reply.owedTo);
    return {std::move(reply)};
}

HttpReply RequestRouter::Unreadable(const RequestHead& head, boost::beast::error_code error) {
    if (error == http::error::header_limit && head.Method().empty()) {
        return Refusal(414, "request line too long", "refused a request line too long", true);
    }
    if (error == http::error::header_limit) {
        return Refusal(431, "request head too large", "refused a request head too large", true);
    }
    return Refusal(400, "malformed request", "refused a malformed request: " + error.message(), true);
}

HttpReply RequestRouter::TooSlow() {
    return Refusal(408, "request head not complete in time", "request head not complete in time", true);
}

}  // namespace sentrel::service
