#include "support/X11Desktop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace sentrel::testing {

std::string Command(const std::string& command) {
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
    return output;
}

void Xdotool(const std::string& args) { EXPECT_EQ(std::system(("/usr/bin/xdotool " + args).c_str()), 0) << args; }

void ClickAt(Spot spot) { Xdotool("mousemove " + At(spot) + " click 1"); }

std::string PixelAt(int x, int y) {
    return Command("import -window root -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                   " -depth 8 txt:- | tail -n 1 | sed -E 's/^[^(]*\\(([0-9,]+)\\).*/\\1/' | tr -d '\\n'");
}

std::string VisibleWindow(const std::string& exactName) {
    return Command("/usr/bin/xdotool search --onlyvisible --name '^" + exactName + "$' 2>/dev/null | head -n 1");
}

}  // namespace sentrel::testing
