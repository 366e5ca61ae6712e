#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// Where phones subscribe to ntfy topics unless a server of one's own is named.
inline constexpr const char* kPublicNtfyServer = "https://ntfy.sh";

// One HTTP request a forward makes.
struct OutgoingRequest {
    std::string url;
    std::string body;
    std::vector<std::string> headers;
};

// Where accepted alerts are sent onwards. Written as "KIND:ADDRESS": an
// ntfy topic URL, a Gotify message URL with its token, a webhook URL, or the
// --on-alert command ("command:..."). The outbox keeps that text, so a
// delivery still owed after a restart goes where it was meant to go.
struct ForwardTarget {
    enum class Kind { Ntfy, Gotify, Webhook, Command };
    Kind kind = Kind::Webhook;
    std::string address;

    // std::nullopt for an unknown kind, or an HTTP kind without an http or
    // https URL.
    static std::optional<ForwardTarget> Parse(std::string_view written);
    // As Parse, for the targets a user names as forwards: HTTP kinds only.
    static std::optional<ForwardTarget> ParseForward(std::string_view written);
    std::string Written() const;
    // The kind and host only: URLs may carry tokens, and commands secrets.
    std::string PublicName() const;
    // The same for a target as written, "?" when it is not one.
    static std::string PublicNameOf(std::string_view written);
    // The request that hands the alert to an HTTP kind. It carries no
    // OpenId: a push service or hook is someone else's, and an OpenId is all
    // it takes to alert in the user's name. The footer ends the text a
    // person reads: for a phone bound at sign-in, where to stop it.
    OutgoingRequest RequestFor(const RecordedAlert& alert, std::string_view footer = {}) const;
};

// Adds a target as written unless it is there already: named twice, a
// target still gets each alert once.
void AddOnce(std::vector<std::string>& targets, std::string written);

}  // namespace sentrel::service
