#pragma once

#include <memory>

#include "support/ChildProcess.h"

namespace sentrel::testing {

// A private Xvfb server (which does not reset when its last client leaves)
// on a display number nobody holds, made the DISPLAY of this process (and so
// of every helper it starts): every test that needs a display starts its own.
class XvfbDisplay {
public:
    explicit XvfbDisplay(int width = 1920, int height = 1080);

private:
    std::unique_ptr<ChildProcess> server_;
};

}  // namespace sentrel::testing
