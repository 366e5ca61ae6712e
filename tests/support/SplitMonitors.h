#pragma once

#include <memory>

struct _XDisplay;

namespace sentrel::testing {

// Splits the current display's screen into side-by-side RandR monitors of
// equal width, as `xrandr --setmonitor` does, for as long as this lives:
// the server drops a client's monitors when it disconnects. The first
// monitor takes the screen's output, the others none.
class SplitMonitors {
public:
    SplitMonitors(int count, int width, int height);
    ~SplitMonitors();
    SplitMonitors(const SplitMonitors&) = delete;
    SplitMonitors& operator=(const SplitMonitors&) = delete;

private:
    _XDisplay* display_;
};

}  // namespace sentrel::testing
