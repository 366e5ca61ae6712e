#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "relay/desk/ClientQuota.h"
#include "relay/desk/PhoneBinding.h"
#include "relay/desk/Subscribers.h"
#include "relay/desk/VerificationCodes.h"
#include "relay/outbox/DeskTypes.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// The notification service's scripts: every request in, one reply out.
// Safe to call from several server threads at once.
//
// Per client address it allows kMaxMisses wrong codes within ten minutes
// (six digits allow a million codes; unlimited guesses would find a live one
// within its ten minutes), and kMaxPerMinute sign-ins and codes handed out
// a minute. An OpenId may send kMaxAlertsPerMinute alerts a minute: a run
// of the tool alerts at most once for each of its 20 areas, and more would
// fill the disk and every target's queue. A request the store cannot serve gets a 503, never an answer as
// if it had been kept.
//
// Each code the page hands out carries a phone binding: a private topic on
// the ntfy server unless the person binds it to a target of their own. The
// OpenId that code signs in then alerts that phone as well as the owner's
// forwards, and nobody else's alerts reach it.
class AlertDesk {
public:
    using Clock = VerificationCodes::Clock;

    // A person's page, and the owner's status, list this many of the latest
    // alerts.
    static constexpr int kAlertsOnPage = 20;
    static constexpr int kMaxMisses = 5;
    static constexpr int kMaxPerMinute = 10;
    static constexpr int kMaxAlertsPerMinute = 60;

    AlertDesk(VerificationCodes codes, ServiceStore& store, std::string ntfyServer = kPublicNtfyServer);

    DeskReply Handle(const DeskRequest& request, Clock::time_point now);

    struct Offer {
        std::string code;
        // Where a phone subscribes to the code's alerts; empty for none.
        std::string subscribeUrl;
    };
    // A code for whoever started the service, with a phone of its own to
    // alert when withPhone.
    Offer IssueCode(Clock::time_point now, bool withPhone = false);

private:
    DeskReply Dispatch(const DeskRequest& request, Clock::time_point now);
    DeskReply VersionNotice(const DeskRequest& request);
    DeskReply SignIn(const DeskRequest& request, Clock::time_point now);
    void CountMiss(const std::string& client, const std::string& code, Clock::time_point now);
    DeskReply Alert(const DeskRequest& request, Clock::time_point now);
    DeskReply Presence(const DeskRequest& request, bool online);
    DeskReply CodePage(const DeskRequest& request, Clock::time_point now);
    DeskReply Bind(const DeskRequest& request, Clock::time_point now);
    DeskReply PhonePage(const DeskRequest& request);
    DeskReply Unbind(const DeskRequest& request);
    DeskReply Status(const DeskRequest& request);

    std::mutex mutex_;
    VerificationCodes codes_;
    ServiceStore& store_;
    const std::string ntfyServer_;
    Subscribers subscribers_;
    ClientQuota wrongCodes_{kMaxMisses, std::chrono::minutes(10)};
    ClientQuota signIns_{kMaxPerMinute, std::chrono::minutes(1)};
    ClientQuota codesHandedOut_{kMaxPerMinute, std::chrono::minutes(1)};
    // Counts known OpenIds only. One that alerted within the last minute was
    // seen then, so it cannot have made way for another: no more OpenIds
    // than are known at once are ever counted, and none is refused for room.
    ClientQuota alertsSent_{kMaxAlertsPerMinute, std::chrono::minutes(1), Subscribers::kMaxKnown};
};

}  // namespace sentrel::service
