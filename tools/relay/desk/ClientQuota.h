#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>

namespace sentrel::service {

// Counts one kind of request per client: after `limit` of them, each within
// `window` of the one before, the client is refused until `window` has
// passed since the last one counted. Refused requests count nothing.
//
// At most kCapacity clients are counted at once. With that many, any other
// client is refused until one of them has been quiet for `window`: making
// room by forgetting one would hand someone with many addresses fresh tries.
class ClientQuota {
public:
    using Clock = std::chrono::steady_clock;
    enum class Verdict { Allowed, Spent, NoRoom };
    static constexpr std::size_t kCapacity = 10000;

    ClientQuota(int limit, Clock::duration window, std::size_t capacity = kCapacity)
        : limit_(limit), window_(window), capacity_(capacity) {}

    Verdict Check(const std::string& client, Clock::time_point now);
    // Counts one request of a client that Check allowed.
    void Count(const std::string& client, Clock::time_point now);

private:
    struct Counted {
        int count = 0;
        Clock::time_point last;
    };

    int limit_;
    Clock::duration window_;
    std::size_t capacity_;
    std::map<std::string, Counted> counted_;
};

}  // namespace sentrel::service
