#include "relay/desk/QrSvg.h"

#include <cstdio>

#include "platform/qrencode/QrModules.h"

namespace sentrel::service {

std::string QrSvg(std::string_view text) {
    const QrModules modules = EncodeQr(text);
    if (modules.side == 0) return {};
    const std::string side = std::to_string(modules.side);
    // One path of a rectangle per run of dark modules in a row keeps a
    // version 10 code to a few kilobytes.
    std::string path;
    for (int y = 0; y < modules.side; ++y) {
        for (int x = 0; x < modules.side;) {
            if (!modules.Dark(x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < modules.side && modules.Dark(x, y)) ++x;
            char run[64];
            std::snprintf(run, sizeof run, "M%d %dh%dv1h-%dz", start, y, x - start, x - start);
            path += run;
        }
    }
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + side + " " + side +
           "\" shape-rendering=\"crispEdges\"><rect width=\"" + side + "\" height=\"" + side +
           "\" fill=\"#fff\"/><path fill=\"#000\" d=\"" + path + "\"/></svg>";
}

}  // namespace sentrel::service
