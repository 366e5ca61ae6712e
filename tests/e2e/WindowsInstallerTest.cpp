#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include "relay/system/RelayLog.h"
#include "support/MisbehavingServer.h"
#include "support/SentrelLayout.h"
#include "support/Waiting.h"
#include "support/WinePrefix.h"
#include "support/X11Desktop.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;
namespace fs = std::filesystem;

const std::string kStopped = "sentrel-service: " + std::string(service::told::kStopped);

std::string FileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A user's first day: the installer run silently into a new prefix, a
// forward target put in forwards.txt, Sentrel started from its Start-menu
// entry, the code from the page the sign-in picture leads to, whose phone
// hears of the sign-in; then the window closed, which
// stops the service the launcher started, and the uninstaller leaves
// nothing of the program but the user's state, which a reinstall takes up.
TEST(WindowsInstaller, FromTheStartMenuToSignedInAndAwayAgain) {
    X11Desktop desktop({}, {}, false, false);
    FreshWinePrefix wine;
    wine.Run(std::string("'") + SENTREL_WINDOWS_INSTALLER + "' /S");
    const fs::path state = wine.UserFolder("AppData/Local/Sentrel");
    const fs::path program = wine.UserFolder("AppData/Local/Programs/Sentrel");
    const fs::path menu = wine.UserFolder("AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Sentrel");
    ASSERT_TRUE(fs::exists(menu / "Sentrel.lnk"));
    ASSERT_TRUE(fs::exists(state / "forwards.txt")) << "a place for forward targets";
    EXPECT_NE(FileText(state / "forwards.txt").find("\r\n"), std::string::npos) << "Notepad's line ends";

    const std::string hookUrl = "http://127.0.0.1:9/hook";
    std::ofstream(state / "forwards.txt", std::ios::app) << "webhook:" << hookUrl << "\n";
    // A loopback port free a moment ago, for the launcher to start its service on.
    const std::string port = std::to_string(MisbehavingServer(MisbehavingServer::Reset()).Port());
    // The phone's messages go to an ntfy server of the user's own.
    const MisbehavingServer ntfy(MisbehavingServer::Respond(200, "{}"));
    // As Explorer does; `start` returns at once, leaving the launcher running.
    EXPECT_EQ(std::system(("SENTREL_PORT=" + port + " SENTREL_NTFY_SERVER=" + ntfy.Url() + " wine start /unix '" +
                           (menu / "Sentrel.lnk").string() + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    const auto saidByService = [&](const std::string& text) {
        return WaitFor([&] { return FileText(state / "service.log").find(text) != std::string::npos; }, 20s);
    };
    ASSERT_TRUE(saidByService(std::string(service::told::kForwarding) + "webhook")) << FileText(state / "service.log");

    // The launcher shows the code in a box of its own; the user closes it
    // and asks the page the picture opens for a code.
    ASSERT_TRUE(DismissNotice("Sentrel 验证码"));
    const Spot paper = desktop.screen.InSignIn(kSignInPaper);
    ASSERT_TRUE(WaitFor([&] { return desktop.Colour(paper) == 0xFFFFFF; }, 20s)) << "the sign-in panel";
    std::smatch code, topic;
    const std::string page = Command("curl -s http://127.0.0.1:" + port + "/");
    ASSERT_TRUE(std::regex_search(page, code, std::regex("class=\"code\">(\\d{6})<"))) << page;
    ASSERT_TRUE(std::regex_search(page, topic, std::regex(ntfy.Url() + "/([\\w-]{24})\""))) << page;
    ASSERT_TRUE(desktop.Replace(desktop.screen.InSignIn(kCodeBox), code[1].str()));
    ASSERT_TRUE(desktop.Click(desktop.screen.InSignIn(kSignIn)));
    ASSERT_TRUE(saidByService("sign-in accepted"));
    ASSERT_TRUE(WaitFor([&] { return desktop.Colour(paper) != 0xFFFFFF; }, 20s)) << "signed in";
    EXPECT_TRUE(ntfy.Received("POST /" + topic[1].str() + " ", 20s)) << "the phone hears of the sign-in";

    // Closed as Windows closes a program (taskkill sends WM_CLOSE): the
    // window signs off, and the launcher stops its service, which ends.
    EXPECT_EQ(std::system("wine taskkill /im sentrel.exe >/dev/null 2>&1"), 0);
    EXPECT_TRUE(saidByService("checkoff.asp"));
    EXPECT_TRUE(saidByService(kStopped));
    EXPECT_EQ(std::system("timeout 20 wineserver -w"), 0) << "everything ended";

    wine.Run("'" + (program / "uninstall.exe").string() + "' /S");
    // The uninstaller copies itself away to run, and removes its copy after.
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(program); }, 10s)) << "the program";
    EXPECT_FALSE(fs::exists(menu)) << "the Start-menu entries";
    EXPECT_TRUE(fs::exists(state / "service.db")) << "the sign-ins, which a silent uninstall cannot ask about";
    EXPECT_NE(std::system("wine reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sentrel' "
                          ">/dev/null 2>&1"),
              0)
        << "the uninstall entry";

    wine.Run(std::string("'") + SENTREL_WINDOWS_INSTALLER + "' /S");
    EXPECT_NE(FileText(state / "forwards.txt").find(hookUrl), std::string::npos) << "the user's forward targets";

    // Started again, with an option for the window, while another program
    // holds the port, and uninstalled while it runs: the window talks to a
    // service of its own on a free port; it is closed and the service
    // stopped, and nothing of the program stays.
    const MisbehavingServer squatter(MisbehavingServer::Respond(200, ""));
    EXPECT_EQ(std::system(("SENTREL_PORT=" + std::to_string(squatter.Port()) + " wine start /unix '" +
                           (program / "sentrel-local.exe").string() + "' --screen 0 >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_TRUE(WaitFor([] { return !VisibleWindow("Sentrel 验证码").empty(); }, 20s));
    const std::string processes = Command("ps -eo args");
    std::smatch window;
    ASSERT_TRUE(std::regex_search(processes, window, std::regex("sentrel.exe --service (\\S+) --screen 0")))
        << processes;
    EXPECT_NE(window[1], squatter.Url());
    wine.Run("'" + (program / "uninstall.exe").string() + "' /S");
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(program); }, 20s)) << "the program";
    const std::string log = FileText(state / "service.log");
    EXPECT_NE(log.find(kStopped, log.find(kStopped) + 1), std::string::npos) << log;
}

}  // namespace
}  // namespace sentrel
