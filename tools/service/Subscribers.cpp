#include "Subscribers.h"

namespace sentrel::service {

Subscribers::Subscribers(ServiceStore& store, std::uint64_t seed) : store_(store), random_(seed) {}

std::string Subscribers::Register() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string openId(28, 'o');
    do {
        for (std::size_t i = 1; i < openId.size(); ++i) openId[i] = kAlphabet[pick(random_)];
    } while (!store_.AddSubscriber(openId, kMaxKnown));
    return openId;
}

}  // namespace sentrel::service
