#include "support/SentrelUser.h"

#include <cstdlib>
#include <stdexcept>

#include "support/Waiting.h"
#include "support/X11Desktop.h"

namespace sentrel::testing {

using namespace std::chrono_literals;

SentrelUser::SentrelUser(ServiceProcess& service, const std::string& code) {
    ::setenv("SENTREL_SERVICE_URL", service.Url().c_str(), 1);
    ::setenv("LSAN_OPTIONS", "suppressions=" SENTREL_LSAN_SUPPRESSIONS, 1);
    tool_ = std::make_unique<ChildProcess>(std::vector<std::string>{SENTREL_BINARY});
    // Keys typed before the window is painted may go nowhere; on a busy
    // machine the panels are swapped seconds after the service answered.
    const Spot paper = Screen{}.InSignIn(kSignInPaper);
    const auto white = [&] { return PixelAt(paper.x, paper.y) == "255,255,255"; };
    if (!WaitFor(white, 15s)) throw std::runtime_error("the sign-in panel was never painted");
    Xdotool("mousemove " + At(Screen{}.InSignIn(kCodeBox)) + " click 1 type " + code);
    ClickAt(Screen{}.InSignIn(kSignIn));
    if (!service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("sign-in accepted"), 15s) ||
        !WaitFor([&] { return !white(); }, 15s)) {
        throw std::runtime_error("not signed in");
    }
}

}  // namespace sentrel::testing
