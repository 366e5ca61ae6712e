#include "relay/desk/Subscribers.h"

#include "relay/system/SystemRandom.h"

namespace sentrel::service {

std::optional<std::string> Subscribers::Register() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    static_assert(sizeof kAlphabet - 1 == 64, "a byte's low six bits pick one character, each as likely");
    for (;;) {
        unsigned char bytes[27];
        FillRandom(bytes);
        std::string openId = "o";
        for (const unsigned char byte : bytes) openId += kAlphabet[byte % 64];
        const std::int64_t now = EpochMilliseconds();
        const auto kept = std::chrono::duration_cast<std::chrono::milliseconds>(kKeptSeen).count();
        switch (store_.AddSubscriber(openId, kMaxKnown, now, now - kept)) {
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
