#include "relay/system/Utf8Path.h"

#include <gtest/gtest.h>

namespace sentrel::service {
namespace {

// A user's folder whose name the narrow code page cannot spell keeps every
// byte into a path and back.
TEST(Utf8Path, KeepsNamesOutsideTheNarrowCodePage) {
    EXPECT_EQ(Utf8FromPath(PathFromUtf8("C:/用户/张三/Sentrel/service.db").parent_path()), "C:/用户/张三/Sentrel");
}

}  // namespace
}  // namespace sentrel::service
