#pragma once

#include <wayland-client.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/OutputCapture.h"
#include "platform/wayland/ShmBuffer.h"

struct zwlr_screencopy_manager_v1;

namespace sentrel {

// Reads what one output of a wlroots compositor shows, through the
// wlr-screencopy protocol: each read captures one frame of the output into
// shared memory and takes the points from it. Points are the output's own
// pixels (its current mode), so the caller maps window units onto them. The
// capture is the composited output, Sentrel's window included: the window
// keeps its sample points fully transparent for them to show what lies
// beneath. The reader has a connection of its own, so its waits for frames
// never hold up the toolkit's.
class WaylandScreenReader : public OutputCapture {
public:
    // display: as for wl_display_connect, nullptr for $WAYLAND_DISPLAY.
    // Throws std::runtime_error, saying why, when there is no compositor or
    // it offers no screen copy.
    explicit WaylandScreenReader(const char* display = nullptr);
    ~WaylandScreenReader() override;

    // The output to read, by the name the toolkit gives its screen; asked on
    // every read. The first output when none has that name.
    void ReadOutput(std::function<std::string()> name) { outputName_ = std::move(name); }
    // The size of that output's current mode.
    std::int32_t OutputPixelWidth() override { return CurrentMode().width; }
    std::int32_t OutputPixelHeight() override { return CurrentMode().height; }

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    // False when the compositor gave no frame: it said the copy failed, or
    // none came in time.
    bool Seen() const override { return seen_; }

    struct Output {
        wl_output* proxy = nullptr;
        std::uint32_t global = 0;
        std::string name;
        std::int32_t width = 0, height = 0;
    };
    struct Frame;

private:
    void Disconnect();
    Output* ChosenOutput();
    // The chosen output as the compositor last described it.
    Output CurrentMode();
    // Copies the output's next frame into frame_; false when none came.
    bool Capture(wl_output* output);
    bool WaitUntil(const std::function<bool()>& done);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_screencopy_manager_v1* screencopy_ = nullptr;
    std::uint32_t screencopyVersion_ = 0;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::function<std::string()> outputName_;
    std::unique_ptr<ShmBuffer> frame_;
    bool yInverted_ = false;
    std::chrono::steady_clock::time_point capturedAt_;
    bool saidWhyUnreadable_ = false;
    bool seen_ = true;

    friend struct RegistryEvents;
};

}  // namespace sentrel
