#include "support/SelectionOwner.h"

#include "platform/x11/XcbConnection.h"
#include "support/Waiting.h"

namespace sentrel::testing {

bool WaitForSelectionOwner(const std::string& selection, std::chrono::milliseconds timeout) {
    return WaitFor(
        [&] {
            const XcbConnectionPtr connection(xcb_connect(nullptr, nullptr));
            xcb_connection_t* c = connection.get();
            const auto atom =
                TakeReply(xcb_intern_atom_reply, c,
                          xcb_intern_atom(c, 0, static_cast<std::uint16_t>(selection.size()), selection.c_str()));
            const auto owner =
                atom ? TakeReply(xcb_get_selection_owner_reply, c, xcb_get_selection_owner(c, atom->atom)) : nullptr;
            return owner && owner->owner != 0;
        },
        timeout);
}

}  // namespace sentrel::testing
