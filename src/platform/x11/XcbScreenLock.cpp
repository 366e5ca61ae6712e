#include "platform/x11/XcbScreenLock.h"

#include <xcb/randr.h>

#include <algorithm>

#include "log/ToolLog.h"
#include "platform/x11/XcbConnection.h"

namespace sentrel {
namespace {

// xsecurelock's window leaves a one-pixel edge, drawn over through
// Composite's overlay window.
constexpr int kInset = 4;
// i3lock grabs within milliseconds of mapping its window, and retries for a
// second while another client holds the keyboard.
constexpr std::chrono::seconds kGrace{3};

struct Edges {
    int left, top, right, bottom;
};

// The monitors as RandR 1.5 lists them; the whole screen without it.
std::vector<Edges> Monitors(xcb_connection_t* connection, const xcb_screen_t* screen) {
    std::vector<Edges> monitors;
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr != nullptr && randr->present) {
        const auto reply =
            TakeReply(xcb_randr_get_monitors_reply, connection, xcb_randr_get_monitors(connection, screen->root, 1));
        if (reply) {
            for (auto m = xcb_randr_get_monitors_monitors_iterator(reply.get()); m.rem;
                 xcb_randr_monitor_info_next(&m)) {
                monitors.push_back({m.data->x, m.data->y, m.data->x + m.data->width, m.data->y + m.data->height});
            }
        }
    }
    if (monitors.empty()) monitors.push_back({0, 0, screen->width_in_pixels, screen->height_in_pixels});
    return monitors;
}

bool CoversAMonitor(const XcbScreenLock::Window& w, const std::vector<Edges>& monitors) {
    return std::ranges::any_of(monitors, [&w](const Edges& m) {
        return w.left <= m.left + kInset && w.top <= m.top + kInset && w.right >= m.right - kInset &&
               w.bottom >= m.bottom - kInset;
    });
}

}  // namespace

XcbScreenLock::XcbScreenLock(xcb_connection_t* connection, const xcb_screen_t* screen, std::string display,
                             bool readableBeneath)
    : connection_(connection),
      screen_(screen),
      readableBeneath_(readableBeneath),
      saver_(connection, screen->root),
      probe_(std::move(display)) {}

void XcbScreenLock::Notice(const xcb_generic_event_t& event) {
    saver_.Notice(event);
    Tell();
}

void XcbScreenLock::Consider(const std::vector<Window>& overrideRedirect) {
    if (overrideRedirect.empty()) {
        candidates_.clear();
        return;
    }
    const std::vector<Edges> monitors = Monitors(connection_, screen_);
    std::map<xcb_window_t, Candidate> kept;
    for (const Window& window : overrideRedirect) {
        if (window.id == saver_.Window() || !CoversAMonitor(window, monitors)) continue;
        const Candidate* known = Find(window.id);
        kept.emplace(window.id,
                     known != nullptr ? *known : Candidate{Verdict::Awaited, std::chrono::steady_clock::now()});
    }
    candidates_ = std::move(kept);
}

bool XcbScreenLock::Settle() {
    const bool undecided =
        std::ranges::any_of(candidates_, [](const auto& c) { return c.second.verdict != Verdict::Shown; });
    const bool held = undecided && probe_.KeyboardHeldByAnother();
    const auto now = std::chrono::steady_clock::now();
    bool changed = false;
    for (auto& [window, candidate] : candidates_) {
        if (held && candidate.verdict == Verdict::Awaited) {
            candidate.verdict = Verdict::Locker;
        } else if (!held && candidate.verdict == Verdict::Locker) {
            // Its window may outlive the grab by a moment; one shown before
            // the lock took no part in it and is read again soon.
            candidate = {Verdict::Awaited, now};
        } else if (!held && candidate.verdict == Verdict::Awaited && now - candidate.since >= kGrace) {
            candidate.verdict = Verdict::Shown;
            changed = true;
        }
    }
    Tell();
    return changed;
}

const XcbScreenLock::Candidate* XcbScreenLock::Find(xcb_window_t window) const {
    const auto found = candidates_.find(window);
    return found != candidates_.end() ? &found->second : nullptr;
}

bool XcbScreenLock::LeavesOut(xcb_window_t window) const {
    if (window == saver_.Window()) return true;
    const Candidate* candidate = Find(window);
    return candidate != nullptr && candidate->verdict != Verdict::Shown;
}

bool XcbScreenLock::HidesScreen() const {
    return saver_.On() ||
           std::ranges::any_of(candidates_, [](const auto& c) { return c.second.verdict != Verdict::Shown; });
}

// The class its program gave the window, else its instance name: WM_CLASS
// holds both, each ended by a NUL.
std::string XcbScreenLock::NameOf(xcb_window_t window) const {
    const auto property =
        TakeReply(xcb_get_property_reply, connection_,
                  xcb_get_property(connection_, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64));
    if (!property) return {};
    const std::string both(static_cast<const char*>(xcb_get_property_value(property.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(property.get())));
    const std::string instance(both.c_str());
    const std::string name = instance.size() + 1 < both.size() ? both.c_str() + instance.size() + 1 : "";
    return name.empty() ? instance : name;
}

void XcbScreenLock::Tell() {
    const auto locker =
        std::ranges::find_if(candidates_, [](const auto& c) { return c.second.verdict == Verdict::Locker; });
    const bool hidden = locker != candidates_.end() || saver_.On();
    if (hidden == told_.has_value()) return;
    if (told_) {
        Say(*told_);
        told_.reset();
        return;
    }
    if (locker != candidates_.end()) {
        const std::string name = NameOf(locker->first);
        Say(said::Locked(name.empty() ? "a full-screen window that holds the keyboard" : name + "'s window",
                         readableBeneath_));
        told_ = said::kUnlocked;
    } else {
        Say(said::Blanked("the X server's screen saver", readableBeneath_));
        told_ = said::kUnblanked;
    }
}

}  // namespace sentrel
