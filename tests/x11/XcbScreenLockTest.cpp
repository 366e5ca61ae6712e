#include "platform/x11/XcbScreenLock.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/Waiting.h"
#include "support/XvfbDisplay.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;

// The keyboard held by a client of its own, as a locker holds it.
class KeyboardGrab {
public:
    KeyboardGrab() : connection_(xcb_connect(nullptr, nullptr)) {
        xcb_connection_t* c = connection_.get();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const auto grab =
            TakeReply(xcb_grab_keyboard_reply, c,
                      xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        granted_ = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
    }
    ~KeyboardGrab() {
        xcb_ungrab_keyboard(connection_.get(), XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(connection_.get(), xcb_get_input_focus(connection_.get()), nullptr));
    }
    bool Granted() const { return granted_; }

private:
    XcbConnectionPtr connection_;
    bool granted_ = false;
};

struct Overlay {
    const char* name;
    // Whether it was read as shown before the lock came, rather than opened
    // just before it.
    bool shownBeforeTheLock;
};

class XcbScreenLockTest : public ::testing::TestWithParam<Overlay> {};

// A full-screen override-redirect window that is no locker, such as a video
// overlay, open while a locker comes and goes.
TEST_P(XcbScreenLockTest, AnOverlayOpenAcrossALockIsReadOnceTheLockEnds) {
    testing::XvfbDisplay display(640, 480);
    const XcbConnectionPtr connection(xcb_connect(nullptr, nullptr));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data;
    XcbScreenLock lock(connection.get(), screen, "", false);
    const XcbScreenLock::Window overlay{1, 0, 0, 640, 480};
    const XcbScreenLock::Window locker{2, 0, 0, 640, 480};
    const auto shownWithin = [&lock](std::chrono::milliseconds timeout) {
        return testing::WaitFor(
            [&lock] {
                lock.Settle();
                return !lock.HidesScreen();
            },
            timeout);
    };

    lock.Consider({overlay});
    if (GetParam().shownBeforeTheLock) {
        ASSERT_TRUE(shownWithin(10s));
    }
    {
        const KeyboardGrab grab;
        ASSERT_TRUE(grab.Granted());
        lock.Consider({overlay, locker});
        lock.Settle();
        EXPECT_TRUE(lock.HidesScreen());
        EXPECT_TRUE(lock.LeavesOut(locker.id));
        EXPECT_EQ(lock.LeavesOut(overlay.id), !GetParam().shownBeforeTheLock);
    }
    // The locker lets the keyboard go before its window.
    lock.Settle();
    lock.Consider({overlay});
    EXPECT_TRUE(shownWithin(10s));
    EXPECT_FALSE(lock.LeavesOut(overlay.id));
}

INSTANTIATE_TEST_SUITE_P(Overlays, XcbScreenLockTest,
                         ::testing::Values(Overlay{"ShownBeforeTheLock", true}, Overlay{"OpenedAsItCame", false}),
                         [](const ::testing::TestParamInfo<Overlay>& overlay) { return overlay.param.name; });

}  // namespace
}  // namespace sentrel
