#include "relay/http/RequestLog.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "relay/http/RequestTarget.h"
#include "relay/system/RelayLog.h"
#include "relay/system/TextEscapes.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {
namespace {

namespace ip = boost::asio::ip;

// With these, a second's lines come to 14 KB at most (25 of under 480
// bytes, 17 counts of about 100): 820 KB a minute.
constexpr int kLinesPerClient = 8;
constexpr int kLines = 25;
constexpr int kClientsToldOneByOne = 8;
constexpr std::size_t kClientsCounted = 1024;
constexpr std::size_t kMethodBytes = 20;
constexpr std::size_t kFieldBytes = 200;

// Cut between characters, never inside one.
std::string Cut(std::string text, std::size_t limit) {
    if (text.size() <= limit) return text;
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
    text.resize(limit);
    return text + "…";
}

std::string Field(std::string_view text, std::size_t limit) { return text.empty() ? "-" : Cut(Printable(text), limit); }

}  // namespace

void RequestLog::Request(const ip::address& client, int status, std::string_view method, std::string_view target,
                         std::string_view note) {
    Counts* counts = CountsFor(client);
    if (counts == nullptr || counts->told >= kLinesPerClient || told_ >= kLines) {
        ++(counts == nullptr ? untoldOfOthers_ : counts->untold).requests;
        return;
    }
    ++counts->told;
    ++told_;
    std::string line = UtcTimestamp(std::chrono::system_clock::now()) + " " + std::to_string(status) + " " +
                       Field(method, kMethodBytes) + " " + Field(MaskedTarget(target), kFieldBytes);
    if (!note.empty()) line += " (" + Cut(std::string(note), kFieldBytes) + ")";
    Tell(line);
}

void RequestLog::Refused(const ip::address& client) {
    Counts* counts = CountsFor(client);
    ++(counts == nullptr ? untoldOfOthers_ : counts->untold).refused;
}

RequestLog::Counts* RequestLog::CountsFor(const ip::address& client) {
    if (!counting_) {
        counting_ = true;
        secondEnd_.expires_after(std::chrono::seconds(1));
        secondEnd_.async_wait([this](const boost::system::error_code& error) {
            if (!error) TellUntold();
        });
    }
    const auto found = clients_.find(client);
    if (found != clients_.end()) return &found->second;
    return clients_.size() < kClientsCounted ? &clients_[client] : nullptr;
}

void RequestLog::TellUntold() {
    std::vector<std::pair<int, ip::address>> untold;
    for (const auto& [client, counts] : clients_) {
        const int count = counts.untold.requests + counts.untold.refused;
        if (count > 0) untold.emplace_back(count, client);
    }
    const auto toldOneByOne = untold.begin() + std::min<std::ptrdiff_t>(std::ssize(untold), kClientsToldOneByOne);
    std::partial_sort(untold.begin(), toldOneByOne, untold.end(), std::greater<>());
    for (auto it = untold.begin(); it != toldOneByOne; ++it) {
        Tell(Told(clients_[it->second].untold) + " from " + it->second.to_string() + " in the last second");
    }
    for (auto it = toldOneByOne; it != untold.end(); ++it) {
        untoldOfOthers_.requests += clients_[it->second].untold.requests;
        untoldOfOthers_.refused += clients_[it->second].untold.refused;
    }
    if (untoldOfOthers_.requests + untoldOfOthers_.refused > 0) {
        Tell(Told(untoldOfOthers_) + " from other clients in the last second");
    }
    counting_ = false;
    told_ = 0;
    clients_.clear();
    untoldOfOthers_ = {};
}

std::string RequestLog::Told(const Untold& untold) {
    const std::string refused = "refused " + std::to_string(untold.refused) + " connections";
    const std::string left = "left " + std::to_string(untold.requests) + " requests out of the log";
    if (untold.requests == 0) return refused;
    return untold.refused == 0 ? left : refused + " and " + left;
}

}  // namespace sentrel::service
