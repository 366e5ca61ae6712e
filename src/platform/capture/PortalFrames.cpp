#include "platform/capture/PortalFrames.h"
#include "log/ToolLog.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace sentrel {
namespace {

using namespace std::chrono;

// A stream that keeps ending is asked for no more often than this.
constexpr milliseconds kReaskGap = minutes(1);

}  // namespace

PortalFrames::PortalFrames(const QString& tokenFile, Failed failed, QDBusConnection bus, milliseconds answerWait)
    : failed_(std::move(failed)),
      portal_(
          std::move(bus), tokenFile, [this](int remote, std::uint32_t node) { Started(remote, node); },
          [this](const std::string& why) { NoStream(why); },
          [this] { Ended("the desktop closed the screen-cast session"); }) {
    answerWait_.setSingleShot(true);
    answerWait_.setInterval(answerWait);
    QObject::connect(&answerWait_, &QTimer::timeout, &here_, [this, answerWait] {
        portal_.Close();
        NoStream("the desktop did not answer within " + std::to_string(duration_cast<seconds>(answerWait).count()) +
                 " s");
    });
    reask_.setSingleShot(true);
    QObject::connect(&reask_, &QTimer::timeout, &here_, [this] { Ask(); });
}

void PortalFrames::Start(std::function<void()> answered) {
    answered_ = std::move(answered);
    Ask();
}

void PortalFrames::Ask() {
    answerWait_.start();
    portal_.Start();
}

void PortalFrames::Started(int remote, std::uint32_t node) {
    answerWait_.stop();
    try {
        frames_ = std::make_unique<PipeWireFrames>(remote, node, [this, stream = ++streams_](const std::string& why) {
            QMetaObject::invokeMethod(
                &here_,
                [this, stream, why] {
                    if (stream == streams_) Ended("the PipeWire stream is " + why);
                },
                Qt::QueuedConnection);
        });
        Say(std::string(said::kCastStarted) + " (PipeWire node " + std::to_string(node) + ")");
        ended_.clear();
        Answered();
    } catch (const std::runtime_error& error) {
        portal_.Close();
        NoStream(error.what());
    }
}

void PortalFrames::NoStream(const std::string& why) {
    answerWait_.stop();
    failed_(ended_.empty() ? why : "the screen cast ended (" + ended_ + ") and could not start again: " + why);
    ended_.clear();
    Answered();
}

void PortalFrames::Ended(const std::string& why) {
    // The portal and the stream may both tell of one end.
    if (!frames_) return;
    frames_.reset();
    ended_ = why;
    const auto now = steady_clock::now();
    const milliseconds wait =
        lastReask_ ? std::max(milliseconds(0), duration_cast<milliseconds>(*lastReask_ + kReaskGap - now))
                   : milliseconds(0);
    Say("the screen cast has ended (" + why + "); the areas are held while the desktop is asked " +
        (wait.count() > 0 ? "again in a minute" : "again"));
    lastReask_ = now + wait;
    reask_.start(wait);
}

void PortalFrames::Answered() {
    if (answered_) std::exchange(answered_, nullptr)();
}

void PortalFrames::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    if (frames_) {
        frames_->Read(points, colours);
    } else {
        std::fill(colours.begin(), colours.end(), kUnreadable);
    }
}

}  // namespace sentrel
