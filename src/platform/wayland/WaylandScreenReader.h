#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/CaptureRegions.h"
#include "platform/wayland/OutputCapture.h"
#include "platform/wayland/ShmBuffer.h"

struct zwlr_screencopy_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace sentrel {

// Reads what one output of a wlroots compositor shows, through the
// wlr-screencopy protocol: each read copies the parts of the output's next
// frame that its points need into shared memory, and takes the points from
// there; a pass that reads often asks for all its points at once. Points are the output's own
// pixels as its user sees them (its current mode, turned as the output is),
// so the caller maps window units onto them. The
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
    // The size of that output's current mode, as turned on the screen.
    std::int32_t OutputPixelWidth() override { return SeenSize(CurrentMode()).width; }
    std::int32_t OutputPixelHeight() override { return SeenSize(CurrentMode()).height; }

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    // False when the compositor gave no frame for a part the read needed: it
    // said the copy failed, or none came in time.
    bool Seen() const override { return seen_; }

    struct Output {
        wl_output* proxy = nullptr;
        std::uint32_t global = 0;
        std::string name;
        std::int32_t width = 0, height = 0;
        std::int32_t transform = 0;
        // Its size in logical units, as xdg-output tells; 0 while unknown.
        zxdg_output_v1* logical = nullptr;
        std::int32_t logicalWidth = 0, logicalHeight = 0;
    };
    struct Frame;

private:
    // A part of the output as last copied, the whole or a region.
    struct Piece {
        PixelRect seen;
        std::unique_ptr<ShmBuffer> buffer;
        bool yInverted = false;
    };
    void Disconnect();
    Output* ChosenOutput();
    // The chosen output as the compositor last described it.
    Output CurrentMode();
    static PixelSize SeenSize(const Output& output) {
        return OutputTransform(output.transform).Swapped({output.width, output.height});
    }
    void DescribeLogically(Output& output);
    // Copies these regions of the output's next frame into pieces_; false
    // when the compositor gave no copy of one of them.
    bool Capture(const Output& output, std::vector<PixelRect> regions);
    std::int32_t ColourAt(ScreenPoint p) const;
    bool WaitUntil(const std::function<bool()>& done);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_screencopy_manager_v1* screencopy_ = nullptr;
    std::uint32_t screencopyVersion_ = 0;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::function<std::string()> outputName_;
    std::vector<Piece> pieces_;
    std::int32_t pieceTransform_ = 0;
    // Set in the environment to copy the whole output at every capture, to
    // measure what copying only regions saves.
    const bool wholeOutput_ = std::getenv("SENTREL_CAPTURE_WHOLE_OUTPUT") != nullptr;
    bool saidWhyUnreadable_ = false;
    bool seen_ = true;

    friend struct RegistryEvents;
};

}  // namespace sentrel
