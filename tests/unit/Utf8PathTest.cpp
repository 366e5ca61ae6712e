#include "relay/system/Utf8Path.h"

#include <gtest/gtest.h>

namespace sentrel::service {
namespace {

// A user's folder whose name the narrow code page cannot spell keeps every
// byte through the path operations the service makes on it.
TEST(Utf8Path, KeepsNamesOutsideTheNarrowCodePage) {
    const std::string database = "C:/用户/张三/Sentrel/service.db";
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(database).parent_path()), "C:/用户/张三/Sentrel");
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(database).replace_extension(".on-alert.log")),
              "C:/用户/张三/Sentrel/service.on-alert.log");
}

}  // namespace
}  // namespace sentrel::service
