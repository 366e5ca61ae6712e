#include "support/SelectionOwner.h"

#include "platform/x11/XcbConnection.h"
#include "support/Waiting.h"

namespace sentrel::testing {

namespace {

bool Owned(const std::string& selection) {
    const XcbConnectionPtr c(xcb_connect(nullptr, nullptr));
    const XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c.get(), xcb_intern_atom(c.get(), 0, static_cast<std::uint16_t>(selection.size()), selection.c_str()),
        nullptr));
    if (!atom) return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c.get(), xcb_get_selection_owner(c.get(), atom->atom), nullptr));
    return owner && owner->owner != 0;
}

}  // namespace

bool WaitForSelectionOwner(const std::string& selection, std::chrono::milliseconds timeout) {
    return WaitFor([&] { return Owned(selection); }, timeout);
}

}  // namespace sentrel::testing
