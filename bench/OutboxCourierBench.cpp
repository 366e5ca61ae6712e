// The relay's outbox with a phone bound per person: 10,000 ntfy topics on a
// fake ntfy server on loopback, a burst of one alert each recorded as the
// relay records them, and the time until every topic has its alert, with
// this process's threads and resident memory at their peak. Then the same
// with one more topic, first in the burst, whose POST is taken and never
// answered: the others must not wait for it.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "FakeNtfyServer.h"
#include "client/TransportLimits.h"
#include "relay/outbox/OutboxCourier.h"
#include "relay/outbox/ServiceStore.h"
#include "relay/system/UtcTimestamp.h"
#include "support/TempDatabase.h"

using namespace sentrel;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPeople = 10000;
constexpr const char* kHangingTopic = "hanging";
constexpr auto kLongest = 10min;
constexpr int kGoalThreads = 16;
constexpr long kGoalResidentKiB = 64 * 1024;

int Threads() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    }
    return -1;
}

// So that each run's peak is its own.
void ForgetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Run {
    double recordedMs = 0;
    double deliveredMs = 0;
    int reached = 0;
    int repeats = 0;
    int peakThreads = 0;
    long peakKiB = 0;
};

Run Measure(bool oneHangs) {
    ForgetPeakResident();
    Run run;
    testing::TempDatabase database;
    service::ServiceStore store(database.Path());
    service::OutboxCourier courier(store, {}, "/dev/null", [](const std::string&) { return std::string(); });
    // After the courier, so that it goes first: the hanging POST ends with
    // it, rather than at the client's time-out.
    bench::FakeNtfyServer ntfy(kHangingTopic);
    std::vector<std::string> targets;
    if (oneHangs) targets.push_back("ntfy:" + ntfy.Url() + "/" + kHangingTopic);
    for (int person = 0; person < kPeople; ++person)
        targets.push_back("ntfy:" + ntfy.Url() + "/p" + std::to_string(person));

    const auto start = Clock::now();
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const auto now = std::chrono::system_clock::now();
        store.RecordAlert({"oBench", 1, 12345}, service::UtcTimestamp(now), service::EpochMilliseconds(now),
                          {targets[i]});
        courier.Wake({targets[i]});
        if (i % 100 == 0) run.peakThreads = std::max(run.peakThreads, Threads());
    }
    run.recordedMs = MillisecondsSince(start);
    while (ntfy.TopicsReached() < kPeople && Clock::now() - start < kLongest) {
        run.peakThreads = std::max(run.peakThreads, Threads());
        std::this_thread::sleep_for(5ms);
    }
    run.deliveredMs = MillisecondsSince(start);
    run.reached = ntfy.TopicsReached();
    run.repeats = ntfy.Repeats();
    run.peakKiB = PeakResidentKiB();
    return run;
}

void Print(const char* name, const Run& run) {
    std::printf("  %-22s %9.0f ms %12.0f ms %5d/%d %8d %8d %10.1f MiB\n", name, run.recordedMs, run.deliveredMs,
                run.reached, kPeople, run.repeats, run.peakThreads, static_cast<double>(run.peakKiB) / 1024);
}

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

}  // namespace

int main() {
    std::printf("outbox courier: %d workers, %d ntfy topics on one fake ntfy server on loopback, %u processors\n",
                service::OutboxCourier::kWorkers, kPeople, std::thread::hardware_concurrency());
    std::printf("  %-22s %12s %15s %11s %8s %8s %14s\n", "", "recorded in", "all reached in", "reached", "repeats",
                "threads", "peak RSS");
    const Run answering = Measure(false);
    Print("every target answers", answering);
    const Run hanging = Measure(true);
    Print("one target hangs", hanging);

    const auto timeout = std::chrono::duration<double, std::milli>(TransportLimits{}.totalTimeout).count();
    const bool complete = answering.reached == kPeople && hanging.reached == kPeople;
    const int threads = std::max(answering.peakThreads, hanging.peakThreads);
    const long kib = std::max(answering.peakKiB, hanging.peakKiB);
    std::printf("  every topic reached once: %s\n", Verdict(complete && answering.repeats + hanging.repeats == 0));
    std::printf("  threads (this process: the courier's, the fake server's one and main) at most %d: %s\n",
                kGoalThreads, Verdict(threads <= kGoalThreads));
    std::printf("  peak RSS (with the fake server and SQLite) under %ld MiB: %s\n", kGoalResidentKiB / 1024,
                Verdict(kib < kGoalResidentKiB));
    // The hanging POST came first: a worker waiting on it waits out the
    // time-out before it can do anything else.
    std::printf(
        "  with one target hanging, the rest reached %.0f ms later, all before its POST's time-out of "
        "%.0f ms: %s\n",
        hanging.deliveredMs - answering.deliveredMs, timeout, Verdict(complete && hanging.deliveredMs < timeout));
    return 0;
}
