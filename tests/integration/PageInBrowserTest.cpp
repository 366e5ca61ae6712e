#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "relay/desk/CodePage.h"
#include "relay/desk/QrSvg.h"
#include "support/ChildProcess.h"
#include "support/Waiting.h"

namespace sentrel::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kSubscribeUrl = "https://ntfy.sh/Xq7-Lm2_Kp9aZr4Tb6Wc1YdE";

// The QR codes as a phone's camera would meet them: drawn by an SVG renderer
// or a browser into pixels, then read by a barcode reader.
class PageInBrowserTest : public ::testing::Test {
protected:
    PageInBrowserTest() {
        char folder[] = "/tmp/sentrel-page-XXXXXX";
        folder_ = ::mkdtemp(folder);
    }
    ~PageInBrowserTest() override { fs::remove_all(folder_); }

    fs::path Saved(const std::string& name, const std::string& text) const {
        std::ofstream(folder_ / name) << text;
        return folder_ / name;
    }
    static void WaitForExit(ChildProcess& child) {
        ASSERT_TRUE(WaitFor([&] { return !child.Running(); }, 90s)) << "still running";
    }
    static void RunToEnd(const std::vector<std::string>& argv) {
        ChildProcess child(argv);
        WaitForExit(child);
        EXPECT_EQ(child.ExitCode(), 0) << argv[0];
    }
    static void ExpectScanned(const fs::path& picture, const std::string& text) {
        ChildProcess reader({SENTREL_ZBARIMG, "--raw", "-q", picture});
        WaitForExit(reader);
        // Its output may still be on its way from the pipe.
        const std::optional<std::string> scanned = reader.WaitForLine(
            ChildProcess::Stream::Out, [](const std::string&) { return true; }, 2s);
        EXPECT_EQ(scanned.value_or("(nothing)"), text) << picture;
    }

    fs::path folder_;
};

TEST_F(PageInBrowserTest, TheSvgScansAsItsText) {
    const std::string texts[] = {kSubscribeUrl, "http://192.168.1.20:8080/ntfy/x?a=1&b=<2>",
                                 "https://push.example.org/" + std::string(300, 'q')};
    for (const std::string& text : texts) {
        const fs::path svg = Saved("qr.svg", service::QrSvg(text)), png = folder_ / "qr.png";
        RunToEnd({SENTREL_RSVG_CONVERT, "--width=600", "--background-color=white", "--output", png, svg});
        ExpectScanned(png, text);
    }
    EXPECT_EQ(service::QrSvg(std::string(3000, 'q')), "") << "too long for any QR code";
}

// Opened on a phone, and at the desk where the phone scans the screen.
TEST_F(PageInBrowserTest, TheCodePageScansOnAPhoneAndOnADesktop) {
    const fs::path page = Saved("page.html", service::CodePageHtml("482913", kSubscribeUrl, ""));
    for (const char* size : {"390,844", "1366,768"}) {
        const fs::path screenshot = folder_ / "page.png";
        RunToEnd({SENTREL_CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                  "--user-data-dir=" + (folder_ / "profile").string(), std::string("--window-size=") + size,
                  "--screenshot=" + screenshot.string(), "file://" + page.string()});
        ExpectScanned(screenshot, kSubscribeUrl);
    }
}

}  // namespace
}  // namespace sentrel::testing
