#include "support/PaintedWindow.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace sentrel::testing {

xcb_pixmap_t PaintPixmap(xcb_connection_t* c, int width, int height, const std::vector<std::int32_t>& colours) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    std::vector<std::uint32_t> pixels(colours.size());
    std::ranges::transform(colours, pixels.begin(), SwapRedAndBlue);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // One row per request keeps each under the server's request size limit.
    for (int row = 0; row < height; ++row) {
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<std::uint16_t>(width), 1, 0,
                      static_cast<std::int16_t>(row), 0, screen->root_depth, static_cast<std::uint32_t>(width * 4),
                      reinterpret_cast<const std::uint8_t*>(pixels.data() + static_cast<std::size_t>(row * width)));
    }
    xcb_free_gc(c, gc);
    return pixmap;
}

PaintedWindow::PaintedWindow(int x, int y, int width, int height, const std::vector<std::int32_t>& colours)
    : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_.get())) throw std::runtime_error("no X display");
    xcb_connection_t* c = connection_.get();
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t pixmap = PaintPixmap(c, width, height, colours);
    window_ = xcb_generate_id(c);
    const std::uint32_t values[] = {pixmap, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, screen->root, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window_);
    xcb_free_pixmap(c, pixmap);
    Sync();
}

PaintedWindow::~PaintedWindow() {
    xcb_destroy_window(connection_.get(), window_);
    Sync();
}

// A round trip: what was asked is on the screen when this returns.
void PaintedWindow::Sync() {
    std::free(xcb_get_input_focus_reply(connection_.get(), xcb_get_input_focus(connection_.get()), nullptr));
}

void PaintedWindow::Lower() {
    const std::uint32_t below = XCB_STACK_MODE_BELOW;
    xcb_configure_window(connection_.get(), window_, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    Sync();
}

void PaintedWindow::Move(int x, int y) {
    const std::uint32_t position[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
    xcb_configure_window(connection_.get(), window_, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
    Sync();
}

void PaintedWindow::Fill(std::int32_t colour) {
    const std::uint32_t pixel = SwapRedAndBlue(colour);
    xcb_change_window_attributes(connection_.get(), window_, XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(connection_.get(), 0, window_, 0, 0, 0, 0);
    Sync();
}

}  // namespace sentrel::testing
