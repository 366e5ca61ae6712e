#include "platform/x11/XcbScreenReader.h"

#include <xcb/composite.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

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

// One GetImage: a drawable's box, and where each of its points lies in it.
struct ImageRequest {
    const PixelSource* source;
    int left, top, width, height;
    xcb_get_image_cookie_t cookie{};
};

struct PointInImage {
    std::size_t point;
    std::size_t request;
    int x, y;
};

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
    if (RedirectTopLevels(connection_.get(), screen->root)) stack_.emplace(connection_.get(), screen, screen_);
}

void XcbScreenReader::Exclude(std::function<xcb_window_t()> window) {
    if (stack_) stack_->Exclude(std::move(window));
}

void XcbScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        if (stack_ && stack_->Changed()) stack_->Refresh();
        ReadOnce(points, colours);
        // Events queue ahead of replies: none now means no window was mapped,
        // moved or closed while the images were taken.
        if (!stack_ || !stack_->Changed()) return;
    }
}

void XcbScreenReader::ReadOnce(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    // Each readable point's position in its source, grouped by source and
    // by tile of that source, so the areas of a whole pass spread over the
    // screen cost small images rather than screen-wide ones.
    using Group = std::pair<const PixelSource*, std::pair<int, int>>;
    std::map<Group, std::vector<std::pair<std::size_t, ScreenPoint>>> groups;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!OnScreen(points[i])) continue;
        const PixelSource* source = stack_ ? stack_->SourceAt(points[i]) : &screen_;
        if (source == nullptr) continue;
        const ScreenPoint local = source->Local(points[i]);
        groups[{source, {local.x >> kTileShift, local.y >> kTileShift}}].emplace_back(i, local);
    }

    std::vector<ImageRequest> requests;
    std::vector<PointInImage> placed;
    placed.reserve(points.size());
    for (const auto& [group, local] : groups) {
        const PixelSource* source = group.first;
        int left = local.front().second.x, right = left, top = local.front().second.y, bottom = top;
        std::map<int, std::pair<int, int>> rows;  // y -> leftmost and rightmost x
        for (const auto& [index, p] : local) {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
            const auto [row, added] = rows.try_emplace(p.y, p.x, p.x);
            row->second = {std::min(row->second.first, p.x), std::max(row->second.second, p.x)};
        }
        // A request costs the server about as much as copying this many
        // pixels; a sparse grid is cheaper read row by row.
        constexpr std::int64_t kRequestCost = 4096;
        std::int64_t rowPixels = 0;
        for (const auto& [y, span] : rows) rowPixels += span.second - span.first + 1;
        const std::int64_t boxPixels = std::int64_t{right - left + 1} * (bottom - top + 1);
        if (boxPixels + kRequestCost <= rowPixels + kRequestCost * static_cast<std::int64_t>(rows.size())) {
            requests.push_back({source, left, top, right - left + 1, bottom - top + 1});
            for (const auto& [index, p] : local) placed.push_back({index, requests.size() - 1, p.x - left, p.y - top});
            continue;
        }
        std::map<int, std::size_t> requestOfRow;
        for (const auto& [y, span] : rows) {
            requestOfRow[y] = requests.size();
            requests.push_back({source, span.first, y, span.second - span.first + 1, 1});
        }
        for (const auto& [index, p] : local) {
            const std::size_t request = requestOfRow[p.y];
            placed.push_back({index, request, p.x - requests[request].left, 0});
        }
    }

    for (ImageRequest& r : requests) {
        r.cookie = xcb_get_image(connection_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, r.source->drawable,
                                 static_cast<std::int16_t>(r.left), static_cast<std::int16_t>(r.top),
                                 static_cast<std::uint16_t>(r.width), static_cast<std::uint16_t>(r.height), kAllPlanes);
    }
    std::vector<XcbReply<xcb_get_image_reply_t>> images;
    images.reserve(requests.size());
    for (const ImageRequest& r : requests) {
        // An error taken here is freed here: a window closed since the stack
        // was fetched answers one, and its points stay unreadable this time.
        xcb_generic_error_t* error = nullptr;
        images.emplace_back(xcb_get_image_reply(connection_.get(), r.cookie, &error));
        std::free(error);
    }
    for (const PointInImage& p : placed) {
        const xcb_get_image_reply_t* image = images[p.request].get();
        if (image != nullptr)
            colours[p.point] = requests[p.request].source->format->ColourAt(image, requests[p.request].width, p.x, p.y);
    }
}

}  // namespace sentrel
