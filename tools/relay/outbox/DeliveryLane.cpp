#include "relay/outbox/DeliveryLane.h"

#include <algorithm>
#include <vector>

#include "relay/outbox/AlertCommand.h"
#include "relay/outbox/ForwardPost.h"
#include "relay/system/PrivateFiles.h"
#include "relay/system/RelayLog.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {
namespace {

// Small enough that a target with a long backlog soon makes way for others.
constexpr int kBatch = 32;

// Hands the alert to the target: std::nullopt once the target took it, else
// what went wrong.
std::optional<std::string> Deliver(const ForwardTarget& target, const RecordedAlert& alert,
                                   const std::string& commandLog, const std::string& footer) {
    if (target.kind == ForwardTarget::Kind::Command) {
        try {
            return RunAlertCommand(target.address, alert, AppendPrivately(commandLog).get());
        } catch (const std::runtime_error& error) {
            return error.what();
        }
    }
    const std::optional<HttpReply> reply = PostForward(target.RequestFor(alert, footer));
    if (!reply) return "no reply, or a redirect, which is not followed";
    if (!reply->IsSuccess()) return "HTTP status " + std::to_string(reply->status);
    return std::nullopt;
}

}  // namespace

DeliveryLane::DeliveryLane(ServiceStore& store, std::string target, const std::string& commandLog, const Footer& footer)
    : store_(store),
      written_(std::move(target)),
      target_(ForwardTarget::Parse(written_)),
      commandLog_(commandLog),
      footer_(footer) {}

std::chrono::milliseconds DeliveryLane::Backoff(int failures) {
    std::chrono::milliseconds wait = kFirstRetry;
    for (int i = 1; i < failures && wait < kLongestRetry; ++i) wait *= 2;
    return std::min(wait, kLongestRetry);
}

DeliveryLane::Turn DeliveryLane::TakeTurn(const std::atomic<bool>& stopping) {
    const std::string name = target_ ? target_->PublicName() : "an unknown target";
    const std::string footer = footer_(written_);
    for (int taken = 0; taken < kBatch;) {
        const std::vector<RecordedAlert> owed = store_.OwedTo(written_, kBatch - taken, lastSender_);
        if (owed.empty()) return Turn::AllDelivered;
        for (const RecordedAlert& alert : owed) {
            if (stopping) return Turn::MoreOwed;
            const std::optional<std::string> error =
                target_ ? Deliver(*target_, alert, commandLog_, footer) : "not a target this service knows";
            const std::int64_t now = EpochMilliseconds();
            const std::string what = "alert #" + std::to_string(alert.id) + " to " + name;
            if (error) {
                const std::chrono::milliseconds wait = Backoff(++failures_);
                store_.MarkRetry(alert.id, written_, now, now + wait.count(), *error);
                store_.GiveUpOlder(written_, now - kGiveUpAfter.count(), now, *error);
                Tell(std::string(told::kNotDelivered) + what + " (" + *error + "); next try in " +
                     std::to_string(wait.count() / 1000) + " s");
                return Turn::Failed;
            }
            failures_ = 0;
            store_.MarkDelivered(alert.id, written_, now);
            lastSender_ = alert.alert.openId;
            ++taken;
            Tell(std::string(told::kDelivered) + what);
        }
    }
    return Turn::MoreOwed;
}

}  // namespace sentrel::service
