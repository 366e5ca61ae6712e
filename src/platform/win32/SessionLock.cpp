#include "platform/win32/SessionLock.h"

#include <cstdio>
#include <utility>

namespace sentrel {
namespace {

// Windows may repeat an event (a lock while locked): only changes are told.
void Set(bool& state, bool value, const char* told) {
    if (std::exchange(state, value) != value) std::fprintf(stderr, "sentrel: %s\n", told);
}

}  // namespace

void SessionLock::Change(WPARAM event) {
    switch (event) {
        case WTS_SESSION_LOCK:
            Set(locked_, true, "the session is locked; judgement of the areas is held until it is unlocked");
            break;
        case WTS_SESSION_UNLOCK:
            Set(locked_, false, "the session is unlocked");
            break;
        // A session moving between the console and a remote desktop is
        // disconnected from the one before it connects to the other.
        case WTS_CONSOLE_DISCONNECT:
        case WTS_REMOTE_DISCONNECT:
            Set(disconnected_, true,
                "no screen shows the session; judgement of the areas is held until one does again");
            break;
        case WTS_CONSOLE_CONNECT:
        case WTS_REMOTE_CONNECT:
            Set(disconnected_, false, "a screen shows the session again");
            break;
        default:
            break;
    }
}

}  // namespace sentrel
