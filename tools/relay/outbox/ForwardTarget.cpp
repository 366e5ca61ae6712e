#include "relay/outbox/ForwardTarget.h"

#include <algorithm>
#include <array>
#include <utility>

#include "client/LocalHost.h"
#include "relay/system/TextEscapes.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {
namespace {

constexpr std::array<std::pair<ForwardTarget::Kind, std::string_view>, 4> kKindNames = {{
    {ForwardTarget::Kind::Ntfy, "ntfy"},
    {ForwardTarget::Kind::Gotify, "gotify"},
    {ForwardTarget::Kind::Webhook, "webhook"},
    {ForwardTarget::Kind::Command, "command"},
}};

std::string_view KindName(ForwardTarget::Kind kind) {
    for (const auto& [k, name] : kKindNames) {
        if (k == kind) return name;
    }
    return {};
}

// The alert as a person reads it on the phone; it carries the alert's id so
// that a repeat can be recognised.
std::string AlertText(const RecordedAlert& alert, std::string_view footer) {
    const std::string text = alert.alert.area == RecordedAlert::kSignInNotice
                                 ? "Sentrel 已登录 (" + LocalHourMinute(alert.acceptedMs) + ")：此后的提醒会发到这里"
                                 : "Sentrel 区域 " + std::to_string(alert.alert.area) + " 提醒 (" + alert.time + ", #" +
                                       std::to_string(alert.id) + ")";
    return text + std::string(footer);
}

}  // namespace

std::optional<ForwardTarget> ForwardTarget::Parse(std::string_view written) {
    const auto colon = written.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view kindName = written.substr(0, colon), address = written.substr(colon + 1);
    for (const auto& [kind, name] : kKindNames) {
        if (name != kindName) continue;
        // A URL has no space or control byte; one that did would be cut
        // short or refused by the request that carries it.
        const bool web = (address.starts_with("http://") || address.starts_with("https://")) &&
                         std::ranges::none_of(address, [](char c) {
                             const auto byte = static_cast<unsigned char>(c);
                             return byte <= 0x20 || byte == 0x7F;
                         });
        if (kind == Kind::Command ? address.empty() : !web || UrlAuthority(address).empty()) return std::nullopt;
        return ForwardTarget{kind, std::string(address)};
    }
    return std::nullopt;
}

std::optional<ForwardTarget> ForwardTarget::ParseForward(std::string_view written) {
    std::optional<ForwardTarget> target = Parse(written);
    if (target && target->kind == Kind::Command) return std::nullopt;
    return target;
}

std::string ForwardTarget::Written() const { return std::string(KindName(kind)) + ":" + address; }

std::string ForwardTarget::PublicName() const {
    if (kind == Kind::Command) return "command";
    return std::string(KindName(kind)) + " " + std::string(UrlAuthority(address));
}

std::string ForwardTarget::PublicNameOf(std::string_view written) {
    const std::optional<ForwardTarget> target = Parse(written);
    return target ? target->PublicName() : "?";
}

OutgoingRequest ForwardTarget::RequestFor(const RecordedAlert& alert, std::string_view footer) const {
    const std::string id = std::to_string(alert.id), text = AlertText(alert, footer);
    switch (kind) {
        case Kind::Ntfy:
            return {address,
                    text,
                    {"Content-Type: text/plain; charset=utf-8", "Title: Sentrel", "Tags: bell",
                     "X-Sentrel-Alert-Id: " + id}};
        case Kind::Gotify:
            return {address,
                    "{\"title\":\"Sentrel\",\"message\":" + JsonString(text) +
                        ",\"priority\":5,\"extras\":{\"sentrel::alert\":{\"id\":" + id +
                        ",\"area\":" + std::to_string(alert.alert.area) + "}}}",
                    {"Content-Type: application/json"}};
        case Kind::Webhook:
        case Kind::Command:
            break;
    }
    // "text" is what Slack- and Matrix-style hooks show, "content" Discord's.
    return {address,
            "{\"id\":" + id + ",\"time\":" + JsonString(alert.time) + ",\"area\":" + std::to_string(alert.alert.area) +
                ",\"sjs\":" + std::to_string(alert.alert.sjs) + ",\"text\":" + JsonString(text) +
                ",\"content\":" + JsonString(text) + "}",
            {"Content-Type: application/json"}};
}

void AddOnce(std::vector<std::string>& targets, std::string written) {
    if (std::ranges::find(targets, written) == targets.end()) targets.push_back(std::move(written));
}

}  // namespace sentrel::service
