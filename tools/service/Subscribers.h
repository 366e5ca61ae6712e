#pragma once

#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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
    std::vector<std::string> Online() const;

private:
    std::map<std::string, bool, std::less<>> online_;
    std::mt19937_64 random_;
};

}  // namespace sentrel::service
