#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "relay/desk/CodePage.h"

// As a phone shows the page, and a desktop whose screen the phone scans.
TEST(CodePageInBrowser, ItsQrCodeScansFromTheScreen) {
    const std::string url = "https://ntfy.sh/Xq7-Lm2_Kp9aZr4Tb6Wc1YdE";
    const std::string dir = ::testing::TempDir() + "sentrel-page-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/page.html") << sentrel::service::CodePageHtml("482913", url, "");
    for (const std::string size : {"390,844", "1366,768"}) {
        EXPECT_EQ(std::system(("chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir=" +
                               dir + " --window-size=" + size + " --screenshot=" + dir + "/page.png file://" + dir +
                               "/page.html >/dev/null 2>&1 && zbarimg --raw -q " + dir + "/page.png >" + dir + "/qr")
                                  .c_str()),
                  0);
        std::ifstream scanned(dir + "/qr");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(scanned), {}), url + "\n") << size;
    }
    std::filesystem::remove_all(dir);
}
