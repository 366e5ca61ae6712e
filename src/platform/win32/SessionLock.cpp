#include "platform/win32/SessionLock.h"
#include "log/ToolLog.h"

#include <utility>

namespace sentrel {
namespace {

// Windows may repeat an event (a lock while locked): only changes are told.
void Set(bool& state, bool value, std::string_view told) {
    if (std::exchange(state, value) != value) Say(told);
}

}  // namespace

void SessionLock::Change(WPARAM event) {
    switch (event) {
        case WTS_SESSION_LOCK:
            Set(locked_, true, said::Locked("Windows says so", false));
            break;
        case WTS_SESSION_UNLOCK:
            Set(locked_, false, said::kUnlocked);
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
