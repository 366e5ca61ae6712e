#pragma once

#include <string>
#include <vector>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

struct AlertOnPage {
    RecordedAlert alert;
    std::vector<DeliveryState> deliveries;
};

// The page a user opens (or reaches through the sign-in picture's QR code)
// to get a verification code, with the latest alerts and where each forward
// of them stands. It shows no OpenId: one is all it takes to alert in
// someone's name.
std::string CodePageHtml(const std::string& code, const std::string& subscribeUrl);
std::string BoundPageHtml(const std::string& code, const std::string& targetName);
std::string PhonePageHtml(const std::string& id, const std::string& targetName, const std::vector<AlertOnPage>& alerts);
std::string UnboundPageHtml();
std::string PlainPageHtml(const std::string& title, const std::string& message);

}  // namespace sentrel::service
