#include "relay/desk/PhoneBinding.h"

#include "relay/outbox/ForwardTarget.h"
#include "relay/system/SystemRandom.h"

namespace sentrel::service {

PhoneBinding PhoneBinding::Ntfy(std::string_view ntfyServer) {
    while (ntfyServer.ends_with('/')) ntfyServer.remove_suffix(1);
    std::string id = RandomToken(kIdLength);
    std::string target = ForwardTarget{ForwardTarget::Kind::Ntfy, std::string(ntfyServer) + "/" + id}.Written();
    return {std::move(id), std::move(target)};
}

PhoneBinding PhoneBinding::To(std::string target) { return {RandomToken(kIdLength), std::move(target)}; }

std::string PhoneBinding::SubscribeUrl() const {
    const std::optional<ForwardTarget> parsed = ForwardTarget::Parse(target);
    return parsed && parsed->kind == ForwardTarget::Kind::Ntfy ? parsed->address : std::string();
}

}  // namespace sentrel::service
