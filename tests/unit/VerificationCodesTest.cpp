#include "VerificationCodes.h"

#include <gtest/gtest.h>

#include <set>

namespace sentrel::service {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;
const VerificationCodes::Clock::time_point kStart{};

TEST(VerificationCodes, IssuedCodeIsSixDigitsAndWorksOnce) {
    VerificationCodes codes(std::nullopt, 1);
    const std::string code = codes.Issue(kStart);
    EXPECT_EQ(code.size(), 6u);
    EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_FALSE(codes.Redeem("err01", kStart));
    EXPECT_TRUE(codes.Redeem(code, kStart + seconds(5)));
    EXPECT_FALSE(codes.Redeem(code, kStart + seconds(6)));
}

TEST(VerificationCodes, IssuedCodeExpiresAfterTenMinutes) {
    VerificationCodes codes(std::nullopt, 2);
    const std::string early = codes.Issue(kStart);
    const std::string late = codes.Issue(kStart);
    EXPECT_TRUE(codes.Redeem(early, kStart + minutes(10) - seconds(1)));
    EXPECT_FALSE(codes.Redeem(late, kStart + minutes(10)));
}

TEST(VerificationCodes, StandingCodeWorksAnyNumberOfTimesAndNeverExpires) {
    VerificationCodes codes(std::string("4321"), 3);
    EXPECT_TRUE(codes.Redeem("4321", kStart));
    EXPECT_TRUE(codes.Redeem("4321", kStart + minutes(600)));
    EXPECT_FALSE(codes.Redeem("432", kStart));
}

TEST(VerificationCodes, LiveCodesAreDistinctAndBounded) {
    VerificationCodes codes(std::nullopt, 4);
    std::set<std::string> issued;
    std::string first;
    std::string second;
    for (std::size_t i = 0; i < VerificationCodes::kMaxLive + 1; ++i) {
        const std::string code = codes.Issue(kStart + std::chrono::milliseconds(i));
        if (i == 0) first = code;
        if (i == 1) second = code;
        issued.insert(code);
    }
    EXPECT_EQ(issued.size(), VerificationCodes::kMaxLive + 1);
    // The oldest made way for the newest; the next oldest is still live.
    EXPECT_FALSE(codes.Redeem(first, kStart + seconds(1)));
    EXPECT_TRUE(codes.Redeem(second, kStart + seconds(1)));
}

}  // namespace
}  // namespace sentrel::service
