#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>

#include "relay/system/RelayLog.h"
#include "support/LoopbackClient.h"
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

// The page the sign-in picture leads to, which shows a fresh code.
std::string CodePage(int port) {
    testing::LoopbackClient client(port);
    client.Send("GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n");
    const std::optional<testing::LoopbackClient::Reply> reply = client.Receive();
    return reply ? reply->body : "";
}

// The command lines of the running processes, Wine's among them.
std::string CommandLines() {
    std::string lines;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc")) {
        std::string line = FileText(process.path() / "cmdline");
        std::replace(line.begin(), line.end(), '\0', ' ');
        lines += line + "\n";
    }
    return lines;
}

// A user's first day: the installer run silently into a new prefix, a
// forward target put in forwards.txt, Sentrel started from its Start-menu
// entry, the code from the page the sign-in picture leads to, an area
// watched, its change pushed to the web hook; then the window closed, which
// stops the service the launcher started, and the uninstaller leaves
// nothing of the program but the user's state, which a reinstall takes up.
TEST(WindowsInstaller, FromTheStartMenuToAnAlertAndAwayAgain) {
    X11Desktop desktop({}, {}, false, false);
    FreshWinePrefix wine;
    wine.Run(std::string("'") + SENTREL_WINDOWS_INSTALLER + "' /S");
    const fs::path state = wine.UserFolder("AppData/Local/Sentrel");
    const fs::path program = wine.UserFolder("AppData/Local/Programs/Sentrel");
    const fs::path menu = wine.UserFolder("AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Sentrel");
    ASSERT_TRUE(fs::exists(menu / "Sentrel.lnk"));
    ASSERT_TRUE(fs::exists(state / "forwards.txt")) << "a place for forward targets";
    EXPECT_NE(FileText(state / "forwards.txt").find("\r\n"), std::string::npos) << "Notepad's line ends";

    MisbehavingServer hook(MisbehavingServer::Respond(200, ""));
    const std::string hookUrl = hook.Url() + "/hook";
    std::ofstream(state / "forwards.txt", std::ios::app) << "webhook:" << hookUrl << "\n";
    // A loopback port free a moment ago, for the launcher to start its service on.
    const std::string port = std::to_string(MisbehavingServer(MisbehavingServer::Reset()).Port());
    // As Explorer does; `start` returns at once, leaving the launcher running.
    EXPECT_EQ(std::system(("SENTREL_PORT=" + port + " wine start /unix '" + (menu / "Sentrel.lnk").string() +
                           "' >/dev/null 2>&1")
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
    std::smatch code;
    const std::string page = CodePage(std::stoi(port));
    ASSERT_TRUE(std::regex_search(page, code, std::regex("class=\"code\">(\\d{6})<"))) << page;
    ASSERT_TRUE(desktop.Replace(desktop.screen.InSignIn(kCodeBox), code[1].str()));
    ASSERT_TRUE(desktop.Click(desktop.screen.InSignIn(kSignIn)));
    ASSERT_TRUE(saidByService("sign-in accepted"));
    ASSERT_TRUE(WaitFor([&] { return desktop.Colour(paper) != 0xFFFFFF; }, 20s)) << "signed in";

    // An area over a window beneath Sentrel's, watched for a change, the
    // window hidden; then the window beneath changes, until the alert comes:
    // the first pass takes what the area shows as its reference, and
    // nothing says when it has.
    ASSERT_TRUE(desktop.Paint({0xF0A000}));
    ASSERT_TRUE(desktop.Drag({400, 400}, {500, 500}));
    ASSERT_TRUE(desktop.Click(desktop.screen.InToolbar(kChangeMode)));
    ASSERT_TRUE(WaitFor([&] { return desktop.ShowsArea({400, 400}, {}, 0); }, 5s)) << "the outline is drawn";
    ASSERT_TRUE(desktop.Click(desktop.screen.InToolbar(kStart)));
    ASSERT_TRUE(desktop.Hide());
    bool alerted = false;
    for (std::int32_t colour = 0xA05030; !alerted && colour < 0xA05030 + 20; ++colour) {
        desktop.Paint({colour});
        alerted = hook.Received("\"area\":1", 1500ms);
    }
    EXPECT_TRUE(alerted) << FileText(state / "service.log");

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

    // Started again, with an option for the window, and uninstalled while
    // it runs: the window is closed and the service stopped, and nothing of
    // the program stays.
    EXPECT_EQ(std::system(("SENTREL_PORT=" + port + " wine start /unix '" + (program / "sentrel-local.exe").string() +
                           "' --screen 0 >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_TRUE(WaitFor([] { return !VisibleWindow("Sentrel 验证码").empty(); }, 20s));
    EXPECT_NE(CommandLines().find("sentrel.exe --service http://127.0.0.1:" + port + " --screen 0"), std::string::npos)
        << CommandLines();
    wine.Run("'" + (program / "uninstall.exe").string() + "' /S");
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(program); }, 20s)) << "the program";
    const std::string log = FileText(state / "service.log");
    EXPECT_NE(log.find(kStopped, log.find(kStopped) + 1), std::string::npos) << log;
}

}  // namespace
}  // namespace sentrel
