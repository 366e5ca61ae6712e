#pragma once

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace sentrel::testing {

// A Wine prefix made for the test and gone after it, this process's (and so
// its helpers') WINEPREFIX meanwhile: the user's own prefix may serve
// another display, whose size its Windows programs would take.
class FreshWinePrefix {
public:
    FreshWinePrefix() {
        char folder[] = "/tmp/sentrel-wine-XXXXXX";
        path_ = ::mkdtemp(folder);
        ::setenv("WINEPREFIX", path_.c_str(), 1);
        EXPECT_EQ(std::system("wineboot --init >/dev/null 2>&1"), 0);
    }
    ~FreshWinePrefix() {
        std::system("wineserver -k");
        std::filesystem::remove_all(path_);
        ::unsetenv("WINEPREFIX");
    }
    FreshWinePrefix(const FreshWinePrefix&) = delete;
    FreshWinePrefix& operator=(const FreshWinePrefix&) = delete;

    // A folder of the Windows user's, named by Wine after the Unix one.
    std::filesystem::path UserFolder(const std::string& below) const {
        return path_ / "drive_c/users" / ::getpwuid(::getuid())->pw_name / below;
    }
    // Runs a Windows program to its end, and everything it started.
    void Run(const std::string& args) const {
        EXPECT_EQ(std::system(("wine " + args + " && timeout 60 wineserver -w").c_str()), 0) << args;
    }

private:
    std::filesystem::path path_;
};

}  // namespace sentrel::testing
