#include "relay/outbox/AlertCommand.h"

#include <gtest/gtest.h>

#include <csignal>

namespace sentrel::service {
namespace {

// A parent that ignores SIGCHLD has the system reap the command unseen: a
// command that failed must not then pass for one that was delivered.
TEST(AlertCommand, AnEndThatCannotBeLearnedIsNoDelivery) {
    struct sigaction ignore {};
    struct sigaction before {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, &before);
    const std::optional<std::string> failure = RunAlertCommand("exit 3", RecordedAlert{}, stderr);
    sigaction(SIGCHLD, &before, nullptr);
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->starts_with("how the command ended is unknown")) << *failure;
}

}  // namespace
}  // namespace sentrel::service
