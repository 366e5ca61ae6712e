// A pointer for tests on a Wayland compositor, held for as long as this
// program runs, so that a drag arrives with its moves (sway's own cursor
// commands send none while a button is held). Its arguments are the logical
// size W H; commands come one per line on standard input, each answered with
// "ok" once the compositor has taken it:
//   move X Y       the pointer to logical point (X, Y) of a W x H layout
//   press          the left button down
//   release        and up again (so does any other line)
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* pointers = nullptr;

void Global(void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}
constexpr wl_registry_listener kRegistryEvents{Global, [](void*, wl_registry*, std::uint32_t) {}};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const auto width = static_cast<std::uint32_t>(std::stoul(argv[1]));
    const auto height = static_cast<std::uint32_t>(std::stoul(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistryEvents, nullptr);
    wl_display_roundtrip(display);
    if (pointers == nullptr) {
        std::fprintf(stderr, "virtual_input: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, nullptr);  // on the default seat
    wl_display_roundtrip(display);
    std::cout << "ok" << std::endl;

    std::uint32_t time = 0;
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        time += 10;
        if (command == "move") {
            std::uint32_t x = 0, y = 0;
            words >> x >> y;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, time, x, y, width, height);
        } else {
            zwlr_virtual_pointer_v1_button(
                pointer, time, BTN_LEFT,
                command == "press" ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        std::cout << "ok" << std::endl;
    }
}
