#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/qt/ScreenCastPortal.h"
#include "platform/wayland/PipeWireFrames.h"

namespace sentrel {

// The screen as the desktop's screen-cast portal streams it: unreadable
// until the portal has started the stream (the user may first be asked),
// and for good if it never does, which `failed` is told once.
class PortalFrames : public OutputCapture {
public:
    PortalFrames(const QString& tokenFile, std::function<void(const std::string& why)> failed);

    // Asks the portal; `answered` runs once it has started the stream or
    // failed to.
    void Start(std::function<void()> answered);

    std::int32_t OutputPixelWidth() override { return frames_ ? frames_->OutputPixelWidth() : 0; }
    std::int32_t OutputPixelHeight() override { return frames_ ? frames_->OutputPixelHeight() : 0; }
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    bool Seen() const override { return frames_ && frames_->Seen(); }

private:
    std::function<void(const std::string& why)> failed_;
    std::function<void()> answered_;
    std::unique_ptr<PipeWireFrames> frames_;
    ScreenCastPortal portal_;
};

}  // namespace sentrel
