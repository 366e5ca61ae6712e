#include "platform/x11/XcbWindowStack.h"

#include <algorithm>
#include <cstring>

#include "platform/x11/XcbConnection.h"

namespace sentrel {
namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{0};
}

int Wrap(int value, int period) { return ((value % period) + period) % period; }

}  // namespace

ScreenPoint PixelSource::Local(ScreenPoint p) const {
    ScreenPoint local{p.x - originX, p.y - originY};
    if (tileWidth > 0) local = {Wrap(local.x, tileWidth), Wrap(local.y, tileHeight)};
    return local;
}

XcbWindowStack::XcbWindowStack(xcb_connection_t* connection, const xcb_screen_t* screen, XcbScreenLock& lock)
    : connection_(connection), screen_(screen), lock_(lock) {
    rootPixmapAtom_ = Atom(connection_, "_XROOTPMAP_ID");
    esetrootPixmapAtom_ = Atom(connection_, "ESETROOT_PMAP_ID");
    const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_, screen_->root, XCB_CW_EVENT_MASK, &events);
}

void XcbWindowStack::Exclude(std::function<xcb_window_t()> window) {
    ownWindow_ = std::move(window);
    dirty_ = true;
}

void XcbWindowStack::Notice(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7F) {
        case XCB_CREATE_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_CONFIGURE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
        case XCB_GRAVITY_NOTIFY:
            dirty_ = true;
            break;
        case XCB_PROPERTY_NOTIFY: {
            const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            if (property.atom == rootPixmapAtom_ || property.atom == esetrootPixmapAtom_) dirty_ = true;
            break;
        }
        default:
            break;
    }
}

void XcbWindowStack::Update() {
    const bool fetch = dirty_;
    if (fetch) Refresh();
    if (lock_.Settle() || fetch) {
        for (TopLevel& window : topFirst_) window.leftOut = lock_.LeavesOut(window.source.drawable);
    }
}

const XcbPixelFormat* XcbWindowStack::FormatOf(std::uint8_t depth, xcb_visualid_t visual) {
    const auto key = std::make_pair(depth, visual);
    auto found = formats_.find(key);
    if (found == formats_.end()) {
        found = formats_.emplace(key, XcbPixelFormat::Of(xcb_get_setup(connection_), screen_, depth, visual)).first;
    }
    return found->second ? &*found->second : nullptr;
}

xcb_window_t XcbWindowStack::TopLevelOf(xcb_window_t window) {
    // A window manager puts a frame (or two) between a window and the root.
    for (int level = 0; window != xcb_window_t{0} && level < 8; ++level) {
        const auto tree = TakeReply(xcb_query_tree_reply, connection_, xcb_query_tree(connection_, window));
        if (!tree) return xcb_window_t{0};
        if (tree->parent == screen_->root) return window;
        window = tree->parent;
    }
    return xcb_window_t{0};
}

void XcbWindowStack::Refresh() {
    dirty_ = false;
    const auto treeCookie = xcb_query_tree(connection_, screen_->root);
    const auto rootPixmap = xcb_get_property(connection_, 0, screen_->root, rootPixmapAtom_, XCB_ATOM_PIXMAP, 0, 1);
    const auto esetrootPixmap =
        xcb_get_property(connection_, 0, screen_->root, esetrootPixmapAtom_, XCB_ATOM_PIXMAP, 0, 1);
    const auto tree = TakeReply(xcb_query_tree_reply, connection_, treeCookie);
    FetchWallpaper(rootPixmap, esetrootPixmap);

    topFirst_.clear();
    if (!tree) return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    struct Asked {
        xcb_window_t window;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
    };
    std::vector<Asked> asked;
    asked.reserve(static_cast<std::size_t>(count));
    // Children come bottom first; the stack is kept top first.
    for (int i = count - 1; i >= 0; --i) {
        asked.push_back({children[i], xcb_get_window_attributes(connection_, children[i]),
                         xcb_get_geometry(connection_, children[i])});
    }
    const xcb_window_t own = ownWindow_ ? TopLevelOf(ownWindow_()) : xcb_window_t{0};
    std::vector<XcbScreenLock::Window> overrideRedirect;
    for (const Asked& a : asked) {
        const auto attributes = TakeReply(xcb_get_window_attributes_reply, connection_, a.attributes);
        const auto geometry = TakeReply(xcb_get_geometry_reply, connection_, a.geometry);
        // Unmapped windows, and input-only ones, show nothing.
        if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT || a.window == own) {
            continue;
        }
        const int border = geometry->border_width;
        TopLevel window{geometry->x, geometry->y, geometry->x + geometry->width + 2 * border,
                        geometry->y + geometry->height + 2 * border,
                        PixelSource{a.window, geometry->x + border, geometry->y + border, 0, 0,
                                    FormatOf(geometry->depth, attributes->visual)}};
        if (attributes->override_redirect) {
            overrideRedirect.push_back({a.window, window.left, window.top, window.right, window.bottom});
        }
        if (window.source.format != nullptr) topFirst_.push_back(window);
    }
    lock_.Consider(overrideRedirect);
}

void XcbWindowStack::FetchWallpaper(xcb_get_property_cookie_t root, xcb_get_property_cookie_t esetroot) {
    wallpaper_.reset();
    xcb_pixmap_t pixmap = xcb_pixmap_t{0};
    for (const auto cookie : {root, esetroot}) {
        const auto property = TakeReply(xcb_get_property_reply, connection_, cookie);
        if (pixmap == xcb_pixmap_t{0} && property && property->format == 32 &&
            xcb_get_property_value_length(property.get()) >= 4) {
            pixmap = *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(property.get()));
        }
    }
    if (pixmap == xcb_pixmap_t{0}) return;
    // A stale id (its owner gone) answers an error, and no wallpaper is used.
    const auto geometry = TakeReply(xcb_get_geometry_reply, connection_, xcb_get_geometry(connection_, pixmap));
    if (!geometry || geometry->width == 0 || geometry->height == 0 || geometry->depth != screen_->root_depth) return;
    wallpaper_ = PixelSource{
        pixmap, 0, 0, geometry->width, geometry->height, FormatOf(screen_->root_depth, screen_->root_visual)};
}

const PixelSource* XcbWindowStack::SourceAt(ScreenPoint p) const {
    for (const TopLevel& window : topFirst_) {
        if (!window.leftOut && window.Contains(p)) return &window.source;
    }
    if (wallpaper_ && wallpaper_->format != nullptr) return &*wallpaper_;
    return nullptr;
}

}  // namespace sentrel
