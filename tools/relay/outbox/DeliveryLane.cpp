#include "relay/outbox/DeliveryLane.h"

#include <algorithm>

#include "relay/outbox/AlertCommand.h"
#include "relay/outbox/ForwardPost.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/system/PrivateFiles.h"
#include "relay/system/RelayLog.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {
namespace {

// Bounds how long an idle lane sleeps without looking, in case a wake-up
// was missed.
constexpr std::chrono::minutes kLongestIdle{1};
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

DeliveryLane::DeliveryLane(ServiceStore& store, std::string target, std::string commandLog, std::string footer)
    : store_(store),
      target_(std::move(target)),
      commandLog_(std::move(commandLog)),
      footer_(std::move(footer)),
      thread_([this] { Run(); }) {}

DeliveryLane::~DeliveryLane() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DeliveryLane::Wake() {
    {
        const std::lock_guard lock(mutex_);
        woken_ = true;
    }
    changed_.notify_all();
}

std::chrono::milliseconds DeliveryLane::Backoff(int failures) {
    std::chrono::milliseconds wait = kFirstRetry;
    for (int i = 1; i < failures && wait < kLongestRetry; ++i) wait *= 2;
    return std::min(wait, kLongestRetry);
}

bool DeliveryLane::Rest(Clock::time_point until, bool wakeable) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, until, [&] { return stopping_ || (wakeable && woken_); });
    woken_ = false;
    return !stopping_;
}

void DeliveryLane::Run() {
    for (bool running = true; running;) {
        try {
            const std::optional<std::chrono::milliseconds> backoff = DeliverOwed();
            running = Rest(Clock::now() + backoff.value_or(kLongestIdle), !backoff);
        } catch (const std::exception& error) {
            // The store has said once that its file is gone; nothing more
            // can be marked, so this lane is done.
            if (store_.Lost()) return;
            Tell(std::string("outbox: ") + error.what());
            running = Rest(Clock::now() + kLongestIdle, false);
        }
    }
}

std::optional<std::chrono::milliseconds> DeliveryLane::DeliverOwed() {
    const std::optional<ForwardTarget> target = ForwardTarget::Parse(target_);
    const std::string name = target ? target->PublicName() : "an unknown target";
    for (std::vector<RecordedAlert> owed; !(owed = store_.OwedTo(target_, kBatch)).empty();) {
        for (const RecordedAlert& alert : owed) {
            {
                const std::lock_guard lock(mutex_);
                if (stopping_) return std::nullopt;
            }
            const std::optional<std::string> error =
                target ? Deliver(*target, alert, commandLog_, footer_) : "not a target this service knows";
            const std::int64_t now = EpochMilliseconds();
            const std::string what = "alert #" + std::to_string(alert.id) + " to " + name;
            if (!error) {
                failures_ = 0;
                store_.MarkDelivered(alert.id, target_, now);
                Tell(std::string(told::kDelivered) + what);
                continue;
            }
            const std::chrono::milliseconds wait = Backoff(++failures_);
            store_.MarkRetry(alert.id, target_, now, now + wait.count(), *error);
            store_.GiveUpOlder(target_, now - kGiveUpAfter.count(), now, *error);
            Tell(std::string(told::kNotDelivered) + what + " (" + *error + "); next try in " +
                 std::to_string(wait.count() / 1000) + " s");
            return wait;
        }
    }
    return std::nullopt;
}

}  // namespace sentrel::service
