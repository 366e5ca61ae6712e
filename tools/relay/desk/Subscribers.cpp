#include "relay/desk/Subscribers.h"

#include "relay/system/SystemRandom.h"

namespace sentrel::service {

std::optional<std::string> Subscribers::Register(const std::string& network) {
    for (;;) {
        std::string openId = "o";
        openId += RandomToken(27);
        const std::int64_t now = EpochMilliseconds();
        const auto kept = std::chrono::duration_cast<std::chrono::milliseconds>(kKeptSeen).count();
        switch (store_.AddSubscriber(openId, network, {kMaxPerNetwork, kMaxKnown, now - kept}, now)) {
            case ServiceStore::Admission::Added:
                return openId;
            case ServiceStore::Admission::Full:
                return std::nullopt;
            case ServiceStore::Admission::Taken:
                break;
        }
    }
}

}  // namespace sentrel::service
