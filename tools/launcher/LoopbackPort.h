#pragma once

namespace sentrel::launcher {

// Whether something takes connections on 127.0.0.1 at this port.
bool LoopbackPortAnswers(int port);

}  // namespace sentrel::launcher
