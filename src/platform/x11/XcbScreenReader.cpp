#include "platform/x11/XcbScreenReader.h"

#include <xcb/composite.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "monitor/CopyPlan.h"

namespace sentrel {
namespace {

constexpr std::uint32_t kAllPlanes = 0xFFFFFFFF;
// A window dragged across the screen changes the stack on every read; the
// last read stands rather than the pass waiting for the drag to end.
constexpr int kReadAttempts = 3;

// Composite's automatic redirection may be asked by any number of clients
// and coexists with a compositor's manual one, now or started later.
bool RedirectTopLevels(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_composite_id);
    if (extension == nullptr || !extension->present) return false;
    const XcbReply<xcb_composite_query_version_reply_t> version(
        xcb_composite_query_version_reply(connection, xcb_composite_query_version(connection, 0, 4), nullptr));
    if (!version || (version->major_version == 0 && version->minor_version < 2)) return false;
    const XcbReply<xcb_generic_error_t> error(xcb_request_check(
        connection, xcb_composite_redirect_subwindows_checked(connection, root, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
    return !error;
}

// A GetImage costs the server about as much as copying 4096 pixels; tiles
// keep the images of areas far apart small.
constexpr CopyCosts kGetImageCosts{4096, 256};

}  // namespace

XcbScreenReader::XcbScreenReader(const char* display) {
    int screenNumber = 0;
    connection_.reset(xcb_connect(display, &screenNumber));
    if (!connection_ || xcb_connection_has_error(connection_.get())) {
        throw std::runtime_error("cannot open the X display");
    }
    const xcb_setup_t* setup = xcb_get_setup(connection_.get());
    auto screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;
    width_ = screen->width_in_pixels;
    height_ = screen->height_in_pixels;
    rootFormat_ = XcbPixelFormat::Of(setup, screen, screen->root_depth, screen->root_visual);
    if (!rootFormat_) throw std::runtime_error("unsupported root window visual");
    screen_ = PixelSource{screen->root, 0, 0, 0, 0, &*rootFormat_};
    redirected_ = RedirectTopLevels(connection_.get(), screen->root);
    lock_.emplace(connection_.get(), screen, display != nullptr ? display : "", redirected_);
    stack_.emplace(connection_.get(), screen, *lock_);
}

void XcbScreenReader::Exclude(std::function<xcb_window_t()> window) { stack_->Exclude(std::move(window)); }

void XcbScreenReader::TakeEvents() {
    while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(connection_.get())}) {
        stack_->Notice(*event);
        lock_->Notice(*event);
    }
}

void XcbScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        TakeEvents();
        stack_->Update();
        const bool hidden = lock_->HidesScreen();
        ReadOnce(points, colours);
        // Events queue ahead of replies: none now means no window was mapped,
        // moved or closed, nor the saver turned on or off, while the images
        // were taken.
        TakeEvents();
        seen_ = redirected_ || !(hidden || lock_->HidesScreen());
        if (!stack_->Stale()) return;
    }
}

void XcbScreenReader::ReadOnce(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    std::vector<const PixelSource*> sources;
    std::vector<SourcePoint> located;
    located.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!OnScreen(points[i])) continue;
        const PixelSource* source = redirected_ ? stack_->SourceAt(points[i]) : &screen_;
        if (source == nullptr) continue;
        auto known = std::find(sources.begin(), sources.end(), source);
        if (known == sources.end()) known = sources.insert(sources.end(), source);
        located.push_back({i, static_cast<int>(known - sources.begin()), source->Local(points[i])});
    }
    const CopyPlan plan = PlanCopies(located, kGetImageCosts);

    std::vector<xcb_get_image_cookie_t> cookies;
    cookies.reserve(plan.rects.size());
    for (const CopyRect& r : plan.rects) {
        cookies.push_back(xcb_get_image(
            connection_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, sources[static_cast<std::size_t>(r.source)]->drawable,
            static_cast<std::int16_t>(r.left), static_cast<std::int16_t>(r.top), static_cast<std::uint16_t>(r.width),
            static_cast<std::uint16_t>(r.height), kAllPlanes));
    }
    std::vector<XcbReply<xcb_get_image_reply_t>> images;
    images.reserve(cookies.size());
    for (const xcb_get_image_cookie_t cookie : cookies) {
        // An error taken here is freed here: a window closed since the stack
        // was fetched answers one, and its points stay unreadable this time.
        xcb_generic_error_t* error = nullptr;
        images.emplace_back(xcb_get_image_reply(connection_.get(), cookie, &error));
        std::free(error);
    }
    for (const PlacedPoint& p : plan.points) {
        const CopyRect& rect = plan.rects[p.rect];
        if (images[p.rect]) {
            colours[p.index] = sources[static_cast<std::size_t>(rect.source)]->format->ColourAt(images[p.rect].get(),
                                                                                                rect.width, p.x, p.y);
        }
    }
}

}  // namespace sentrel
