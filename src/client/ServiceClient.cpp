#include "client/ServiceClient.h"

#include <utility>

#include "client/HttpPost.h"

namespace sentrel {

ServiceClient::ServiceClient(Transport& transport, ServiceRequests requests)
    : transport_(transport), requests_(std::move(requests)) {}

std::string ServiceClient::VersionNotice() { return HttpPost(transport_, requests_.VersionNotice(), ""); }

std::optional<std::string> ServiceClient::SignIn(const std::string& verificationCode) {
    std::optional<HttpReply> reply = PostQuietly(transport_, requests_.SignIn(verificationCode), "");
    if (!reply || !reply->IsSuccess() || reply->body.empty() || reply->body == "err01") {
        return std::nullopt;
    }
    return std::move(reply->body);
}

ServiceClient::Delivery ServiceClient::SendAlert(const std::string& openId, int r, int area) {
    const std::optional<HttpReply> reply = PostQuietly(transport_, requests_.Alert(openId, r, area), "");
    if (!reply) return Delivery::NoReply;
    if (reply->IsSuccess()) return Delivery::Accepted;
    const bool transient = reply->status >= 500 || reply->status == 408 || reply->status == 429;
    return transient ? Delivery::TryAgain : Delivery::Refused;
}

void ServiceClient::KeepAlive(const std::string& openId) { HttpPost(transport_, requests_.KeepAlive(openId), ""); }

void ServiceClient::SignOff(const std::string& openId) { HttpPost(transport_, requests_.SignOff(openId), ""); }

}  // namespace sentrel
