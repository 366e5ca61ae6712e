#include "platform/x11/XcbScreenLock.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/Waiting.h"
#include "support/XvfbDisplay.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;

// A full-screen override-redirect window that is no locker, such as a video
// overlay, open while a locker comes and goes: read as shown before the lock
// came, or opened just before it.
TEST(XcbScreenLock, AnOverlayOpenAcrossALockIsReadOnceTheLockEnds) {
    for (const bool shownBeforeTheLock : {true, false}) {
        SCOPED_TRACE(shownBeforeTheLock ? "shown before the lock" : "opened as it came");
        testing::XvfbDisplay display(640, 480);
        const XcbConnectionPtr connection(xcb_connect(nullptr, nullptr));
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data;
        XcbScreenLock lock(connection.get(), screen, "", false);
        const XcbScreenLock::Window overlay{1, 0, 0, 640, 480}, locker{2, 0, 0, 640, 480};
        const auto shown = [&lock] {
            return testing::WaitFor([&lock] { return lock.Settle(), !lock.HidesScreen(); }, 10s);
        };

        lock.Consider({overlay});
        if (shownBeforeTheLock) {
            ASSERT_TRUE(shown());
        }
        {
            // The keyboard held by a client of its own, as a locker holds it,
            // and let go before the locker's window goes.
            const XcbConnectionPtr holder(xcb_connect(nullptr, nullptr));
            xcb_connection_t* c = holder.get();
            const auto grab = TakeReply(
                xcb_grab_keyboard_reply, c,
                xcb_grab_keyboard(c, 0, screen->root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            ASSERT_TRUE(grab && grab->status == XCB_GRAB_STATUS_SUCCESS);
            lock.Consider({overlay, locker});
            lock.Settle();
            EXPECT_TRUE(lock.HidesScreen());
            EXPECT_TRUE(lock.LeavesOut(locker.id));
            EXPECT_EQ(lock.LeavesOut(overlay.id), !shownBeforeTheLock);
            xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
            std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        }
        lock.Settle();
        lock.Consider({overlay});
        EXPECT_TRUE(shown());
        EXPECT_FALSE(lock.LeavesOut(overlay.id));
    }
}

}  // namespace
}  // namespace sentrel
