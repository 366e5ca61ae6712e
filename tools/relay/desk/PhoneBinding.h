#pragma once

#include <string>
#include <string_view>

namespace sentrel::service {

// Where one person's alerts go, bound to the code they sign in with: by
// default a private ntfy topic made for the code, else a Gotify or webhook
// target they gave. The id names the binding to whoever holds it (the page
// that shows their alerts, the link that stops them); it is as hard to guess
// as the topic, which it is for ntfy.
struct PhoneBinding {
    static constexpr std::size_t kIdLength = 24;  // 144 random bits

    std::string id;
    // As ForwardTarget writes it.
    std::string target;

    // A fresh binding to a topic of its own on the ntfy server.
    static PhoneBinding Ntfy(std::string_view ntfyServer);
    // A fresh binding to a target the person gave, written as ForwardTarget
    // parses forwards (checked by the caller).
    static PhoneBinding To(std::string target);
    // The address a phone opens to subscribe: the ntfy topic's; empty for
    // other kinds, which the person set up themselves.
    std::string SubscribeUrl() const;
};

}  // namespace sentrel::service
