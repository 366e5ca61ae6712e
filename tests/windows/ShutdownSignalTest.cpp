#include "relay/system/ShutdownSignal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "relay/system/ServiceStopEvent.h"

namespace sentrel::service {
namespace {

// Another kind of object holding the stop event's name keeps the event from
// being made: the service must say so, not take its last step at once.
TEST(ShutdownSignal, RefusesToStartWithoutItsStopEvent) {
    const HANDLE squatter = CreateMutexW(nullptr, FALSE, ServiceStopEventName(GetCurrentProcessId()).c_str());
    ASSERT_NE(squatter, nullptr);
    try {
        const ShutdownSignal signal([] { std::_Exit(3); });
        ADD_FAILURE() << "made without its event";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("sentrel-service-stop-"), std::string::npos) << error.what();
    }
    CloseHandle(squatter);
}

}  // namespace
}  // namespace sentrel::service
