#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "support/ServiceProcess.h"

// The running service's page as a phone's browser shows it, and as a desktop
// shows it to a phone that scans the screen: its QR code is the subscribe
// address of a topic on the ntfy server the service was given.
TEST(CodePageInBrowser, ItsQrCodeScansFromTheScreen) {
    sentrel::testing::ServiceProcess relay({"--ntfy-server", "https://ntfy.example"});
    const std::string dir = ::testing::TempDir() + "sentrel-page-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    for (const std::string size : {"390,844", "1366,768"}) {
        EXPECT_EQ(std::system(("chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir=" +
                               dir + " --window-size=" + size + " --screenshot=" + dir + "/page.png " + relay.Url() +
                               "/ >/dev/null 2>&1 && zbarimg --raw -q " + dir + "/page.png >" + dir + "/qr")
                                  .c_str()),
                  0);
        std::ifstream scanned(dir + "/qr");
        const std::string url(std::istreambuf_iterator<char>(scanned), {});
        EXPECT_TRUE(std::regex_match(url, std::regex("https://ntfy\\.example/[A-Za-z0-9_-]{24}\n"))) << size << url;
    }
    std::filesystem::remove_all(dir);
}
