#include "support/SplitMonitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <stdexcept>
#include <string>

namespace sentrel::testing {

// Xlib rather than xcb: libxcb's SetMonitor here ends the connection with a
// request-length error.
SplitMonitors::SplitMonitors(int count, int width, int height) : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) throw std::runtime_error("cannot open the display");
    const Window root = DefaultRootWindow(display_);
    XRRScreenResources* resources = XRRGetScreenResources(display_, root);
    for (int i = 0; i < count; ++i) {
        XRRMonitorInfo* monitor = XRRAllocateMonitor(display_, i == 0 && resources->noutput > 0 ? 1 : 0);
        if (i == 0 && resources->noutput > 0) monitor->outputs[0] = resources->outputs[0];
        monitor->name = XInternAtom(display_, ("M" + std::to_string(i)).c_str(), False);
        monitor->primary = i == 0;
        monitor->x = i * width;
        monitor->width = width;
        monitor->height = height;
        monitor->mwidth = width * 254 / 960;  // 96 dots per inch
        monitor->mheight = height * 254 / 960;
        XRRSetMonitor(display_, root, monitor);
        XRRFreeMonitors(monitor);
    }
    XRRFreeScreenResources(resources);
    XSync(display_, False);
}

SplitMonitors::~SplitMonitors() { XCloseDisplay(display_); }

}  // namespace sentrel::testing
