#pragma once

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/Transport.h"

namespace sentrel::testing {

// The Windows edition's WinHTTP transport, run under Wine one request at a
// time through a small probe program.
class WineProbeTransport : public Transport {
public:
    explicit WineProbeTransport(std::string probe) : probe_(std::move(probe)) {
        // Wine's first start sets up its prefix, which takes seconds; keeping
        // its server up between requests makes later starts quick. Done once,
        // before any request is timed.
        static const int warmedUp =
            std::system(("wineserver -p60; WINEDEBUG=-all wine '" + probe_ + "' </dev/null >/dev/null 2>&1").c_str());
        (void)warmedUp;
    }

    std::optional<HttpReply> Post(const std::string& url, const std::string&) override {
        char request[] = "/tmp/sentrel-probe-XXXXXX";
        const int fd = ::mkstemp(request);
        if (fd < 0) return std::nullopt;
        const bool written = ::write(fd, url.data(), url.size()) == static_cast<ssize_t>(url.size());
        ::close(fd);
        const std::string command = "WINEDEBUG=-all wine '" + probe_ + "' < " + request + " 2>/dev/null";
        FILE* pipe = written ? ::popen(command.c_str(), "r") : nullptr;
        std::string output;
        char buffer[65536];
        for (std::size_t count = 0; pipe != nullptr && (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, count);
        }
        if (pipe != nullptr) ::pclose(pipe);
        ::unlink(request);
        const std::size_t newline = output.find('\n');
        if (newline == std::string::npos || !std::isdigit(static_cast<unsigned char>(output[0]))) return std::nullopt;
        return HttpReply{std::stol(output.substr(0, newline)), output.substr(newline + 1)};
    }

private:
    std::string probe_;
};

}  // namespace sentrel::testing
