#pragma once

#include <string>
#include <vector>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

struct AlertOnPage {
    RecordedAlert alert;
    std::vector<DeliveryState> deliveries;
};

// The pages a person opens on a phone or at the desk. None shows an OpenId
// (one is all it takes to alert in someone's name), and each escapes what it
// is given, which may come from whoever typed the address.

// A fresh code with the phone it will alert: the QR code and link a phone
// follows to subscribe. A form offers another target.
std::string CodePageHtml(const std::string& code, const std::string& subscribeUrl);
// The code again, once bound to the target a person gave.
std::string BoundPageHtml(const std::string& code, const std::string& targetName);
// One binding's own page: where its alerts go, the latest of them, and the
// form that stops them.
std::string PhonePageHtml(const std::string& id, const std::string& targetName, const std::vector<AlertOnPage>& alerts);
std::string UnboundPageHtml();
// A short page of one message, such as a refusal.
std::string PlainPageHtml(const std::string& title, const std::string& message);

}  // namespace sentrel::service
