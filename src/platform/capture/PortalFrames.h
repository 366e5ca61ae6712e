#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/capture/ScreenCastPortal.h"
#include "platform/wayland/PipeWireFrames.h"

namespace sentrel {

// The screen as the desktop's screen-cast portal streams it: unreadable, and
// not seen, until the portal has started the stream (the user may first be
// asked) and while it is gone. A stream that ends is asked for again, with
// the kept consent, once for each end and at most once a minute; each time
// no stream comes, `failed` is told why, and Sentrel goes on unseeing.
class PortalFrames : public OutputCapture {
public:
    using Failed = std::function<void(const std::string& why)>;
    // Long enough for the user to read the desktop's dialog.
    static constexpr std::chrono::milliseconds kAnswerWait = std::chrono::minutes(3);

    // answerWait: how long the desktop may take to answer an ask; after it,
    // the ask counts as refused.
    PortalFrames(const QString& tokenFile, Failed failed, QDBusConnection bus = QDBusConnection::sessionBus(),
                 std::chrono::milliseconds answerWait = kAnswerWait);

    // Asks the portal; `answered` runs once, when it has started the stream,
    // failed to, or not answered in time.
    void Start(std::function<void()> answered);

    std::int32_t OutputPixelWidth() override { return frames_ ? frames_->OutputPixelWidth() : 0; }
    std::int32_t OutputPixelHeight() override { return frames_ ? frames_->OutputPixelHeight() : 0; }
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    bool Seen() const override { return frames_ && frames_->Seen(); }

private:
    void Ask();
    void Started(int remote, std::uint32_t node);
    void NoStream(const std::string& why);
    void Ended(const std::string& why);
    void Answered();

    Failed failed_;
    std::function<void()> answered_;
    // Where PipeWire's thread hands its news to the toolkit's; outlives the
    // frames, whose thread it hears.
    QObject here_;
    QTimer answerWait_, reask_;
    std::optional<std::chrono::steady_clock::time_point> lastReask_;
    // Why the last stream ended, while it is asked for again.
    std::string ended_;
    // Counts the streams made: news of an earlier one is old.
    int streams_ = 0;
    std::unique_ptr<PipeWireFrames> frames_;
    ScreenCastPortal portal_;
};

}  // namespace sentrel
