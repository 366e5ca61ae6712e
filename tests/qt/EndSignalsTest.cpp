#include "platform/qt/EndSignals.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

namespace sentrel {
namespace {

// Every file descriptor the process may open, taken while this lives.
class DescriptorsUsedUp {
public:
    DescriptorsUsedUp() {
        ::getrlimit(RLIMIT_NOFILE, &limit_);
        rlimit lowered = limit_;
        lowered.rlim_cur = 256;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int taken = ::dup(STDIN_FILENO); taken >= 0; taken = ::dup(STDIN_FILENO)) taken_.push_back(taken);
    }
    ~DescriptorsUsedUp() {
        for (const int fd : taken_) ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &limit_);
    }

private:
    rlimit limit_{};
    std::vector<int> taken_;
};

TEST(EndSignals, WithoutAPipeTheSignalsKeepTheirDefaultAndStandardErrorSaysSo) {
    ::testing::internal::CaptureStderr();
    {
        const DescriptorsUsedUp usedUp;
        const EndSignals ends([] {});
        struct sigaction action {};
        ::sigaction(SIGTERM, nullptr, &action);
        EXPECT_EQ(action.sa_handler, SIG_DFL);
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("SIGTERM, SIGINT and SIGHUP cannot be caught (pipe2: Too many open files); they end Sentrel "
                        "without signing off"),
              std::string::npos)
        << said;
}

}  // namespace
}  // namespace sentrel
