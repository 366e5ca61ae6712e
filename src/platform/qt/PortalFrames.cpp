#include "platform/qt/PortalFrames.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace sentrel {

PortalFrames::PortalFrames(const QString& tokenFile, std::function<void(const std::string& why)> failed)
    : failed_(std::move(failed)),
      portal_(
          QDBusConnection::sessionBus(), tokenFile,
          [this](int remote, std::uint32_t node) {
              try {
                  frames_ = std::make_unique<PipeWireFrames>(remote, node);
                  std::fprintf(stderr, "sentrel: the screen cast has started (PipeWire node %u)\n", node);
              } catch (const std::runtime_error& error) {
                  failed_(error.what());
              }
              answered_();
          },
          [this](const std::string& why) {
              failed_(why);
              answered_();
          }) {}

void PortalFrames::Start(std::function<void()> answered) {
    answered_ = std::move(answered);
    portal_.Start();
}

void PortalFrames::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    if (frames_) {
        frames_->Read(points, colours);
    } else {
        std::fill(colours.begin(), colours.end(), kUnreadable);
    }
}

}  // namespace sentrel
