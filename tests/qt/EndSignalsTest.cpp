#include "platform/qt/EndSignals.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <string>

namespace sentrel {
namespace {

TEST(EndSignals, WithoutAPipeTheSignalsKeepTheirDefaultAndStandardErrorSaysSo) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime dies when it cannot open descriptors of its own";
#endif
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    ::testing::internal::CaptureStderr();
    // No descriptor may be opened while it starts.
    const rlimit none{0, limit.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &none);
    const EndSignals ends([] {});
    ::setrlimit(RLIMIT_NOFILE, &limit);
    struct sigaction action {};
    ::sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("SIGTERM, SIGINT and SIGHUP cannot be caught (pipe2: Too many open files); they end Sentrel "
                        "without signing off"),
              std::string::npos)
        << said;
}

}  // namespace
}  // namespace sentrel
