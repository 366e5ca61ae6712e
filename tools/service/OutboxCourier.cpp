#include "OutboxCourier.h"

#include <algorithm>
#include <cstdio>

#include "AlertCommand.h"
#include "ForwardTarget.h"
#include "UtcTimestamp.h"
#include "platform/curl/CurlTransport.h"

namespace sentrel::service {
namespace {

// Bounds how long the courier sleeps without looking, in case a clock jumps.
constexpr std::chrono::milliseconds kLongestSleep = std::chrono::minutes(1);
constexpr int kBatch = 32;

// Hands the alert to the target: std::nullopt once the target took it, else
// what went wrong.
std::optional<std::string> Deliver(const ForwardTarget& target, const RecordedAlert& alert) {
    if (target.kind == ForwardTarget::Kind::Command) return RunAlertCommand(target.address, alert);
    const OutgoingRequest request = target.RequestFor(alert);
    CurlTransport transport;
    const std::optional<HttpReply> reply = transport.PostWithHeaders(request.url, request.body, request.headers);
    if (!reply) return "no reply";
    if (!reply->IsSuccess()) return "HTTP status " + std::to_string(reply->status);
    return std::nullopt;
}

}  // namespace

OutboxCourier::OutboxCourier(ServiceStore& store) : store_(store), thread_([this] { Run(); }) {}

OutboxCourier::~OutboxCourier() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void OutboxCourier::Wake() {
    {
        const std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

std::chrono::milliseconds OutboxCourier::Backoff(int attempts) {
    std::chrono::milliseconds wait = kFirstRetry;
    for (int i = 1; i < attempts && wait < kLongestRetry; ++i) wait *= 2;
    return std::min(wait, kLongestRetry);
}

void OutboxCourier::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        woken_ = false;
        lock.unlock();
        std::chrono::milliseconds sleep = kLongestSleep;
        try {
            DeliverDue();
            if (const auto next = store_.NextDueMs()) {
                sleep = std::clamp(std::chrono::milliseconds(*next - EpochMilliseconds()), std::chrono::milliseconds(0),
                                   sleep);
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "outbox: %s\n", error.what());
        }
        lock.lock();
        wake_.wait_for(lock, sleep, [this] { return woken_ || stopping_; });
    }
}

void OutboxCourier::DeliverDue() {
    for (;;) {
        const std::vector<PendingDelivery> due = store_.DueDeliveries(EpochMilliseconds(), kBatch);
        if (due.empty()) return;
        for (const PendingDelivery& delivery : due) {
            {
                const std::lock_guard lock(mutex_);
                if (stopping_) return;
            }
            const std::optional<ForwardTarget> target = ForwardTarget::Parse(delivery.target);
            const std::optional<std::string> error =
                target ? Deliver(*target, delivery.alert) : "not a target this service knows";
            const std::int64_t now = EpochMilliseconds();
            const std::string what = "alert #" + std::to_string(delivery.alert.id) + " to " +
                                     (target ? target->PublicName() : "an unknown target");
            if (!error) {
                store_.MarkDelivered(delivery.alert.id, delivery.target, now);
                std::fprintf(stderr, "delivered %s\n", what.c_str());
            } else if (now - delivery.acceptedAtMs >= kGiveUpAfter.count()) {
                store_.MarkFailed(delivery.alert.id, delivery.target, now, *error);
                std::fprintf(stderr, "gave up delivering %s: %s\n", what.c_str(), error->c_str());
            } else {
                const auto wait = Backoff(delivery.attempts + 1);
                store_.MarkRetry(delivery.alert.id, delivery.target, now, now + wait.count(), *error);
                std::fprintf(stderr, "could not deliver %s (%s); next try in %lld s\n", what.c_str(), error->c_str(),
                             static_cast<long long>(wait.count() / 1000));
            }
        }
    }
}

}  // namespace sentrel::service
