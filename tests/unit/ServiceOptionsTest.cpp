#include "ServiceOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace sentrel::service {
namespace {

ParsedOptions Parse(std::vector<const char*> args) { return ParseServiceOptions(args); }

TEST(ServiceOptions, DefaultsAndBothSpellings) {
    const ParsedOptions none = Parse({});
    ASSERT_TRUE(none.options);
    EXPECT_EQ(none.options->bind, "127.0.0.1");
    EXPECT_EQ(none.options->port, SENTREL_LOCAL_SERVICE_PORT);
    EXPECT_FALSE(none.options->standingCode);

    const ParsedOptions all =
        Parse({"--port=0", "--code", "4321", "--log", "/tmp/a.log", "--on-alert=notify-send hi", "--bind", "::1"});
    ASSERT_TRUE(all.options) << all.error;
    EXPECT_EQ(all.options->port, 0);
    EXPECT_EQ(all.options->standingCode, "4321");
    EXPECT_EQ(all.options->logPath, "/tmp/a.log");
    EXPECT_EQ(all.options->onAlert, "notify-send hi");
    EXPECT_EQ(all.options->bind, "::1");
}

TEST(ServiceOptions, BadArgumentsAreExplained) {
    const std::vector<std::vector<const char*>> bad = {{"--port"},        {"--port", "65536"}, {"--port", "-1"},
                                                       {"--port", "80x"}, {"--code", ""},      {"--code", "a\nb"},
                                                       {"--frobnicate"},  {"stray"},           {"--bind="}};
    for (const auto& args : bad) {
        const ParsedOptions parsed = Parse(args);
        EXPECT_FALSE(parsed.options) << args.front();
        EXPECT_FALSE(parsed.error.empty());
    }
}

}  // namespace
}  // namespace sentrel::service
