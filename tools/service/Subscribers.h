#pragma once

#include <map>
#include <random>
#include <string>
#include <string_view>

namespace sentrel::service {

// The OpenIds handed out since start, and which of them are online.
class Subscribers {
public:
    explicit Subscribers(std::uint64_t seed);

    // A fresh OpenId: "o" and 27 characters of [A-Za-z0-9_-], like the
    // identifiers a messaging account hands out.
    std::string Register();
    bool Knows(std::string_view openId) const;
    // False when the OpenId is unknown.
    bool SetOnline(std::string_view openId, bool online);
    std::size_t Count() const { return online_.size(); }
    std::size_t OnlineCount() const;

    // Bounds the memory unlimited sign-ins with a standing code can take;
    // offline OpenIds make way first.
    static constexpr std::size_t kMaxKnown = 10000;

private:
    std::map<std::string, bool, std::less<>> online_;
    std::mt19937_64 random_;
};

}  // namespace sentrel::service
