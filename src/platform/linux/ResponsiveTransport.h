#pragma once

#include "client/Transport.h"

namespace sentrel {

// Runs each request of another transport on a worker thread while the UI
// thread keeps painting: the window never turns white during a slow reply.
// User input waits in the toolkit's queue until the reply is in, and timers
// that fire meanwhile are held back by the handler gate.
class ResponsiveTransport : public Transport {
public:
    explicit ResponsiveTransport(Transport& inner) : inner_(inner) {}

    std::optional<HttpReply> Post(const std::string& url, const std::string& body) override;

private:
    Transport& inner_;
};

}  // namespace sentrel
