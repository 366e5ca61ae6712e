#pragma once

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/Transport.h"
#include "support/HexText.h"

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
            std::system(("wineserver -p60; echo 00 | WINEDEBUG=-all wine '" + probe_ + "' >/dev/null 2>&1").c_str());
        (void)warmedUp;
    }

    std::optional<HttpReply> Post(const std::string& url, const std::string&) override {
        char request[] = "/tmp/sentrel-probe-XXXXXX";
        const int fd = ::mkstemp(request);
        if (fd < 0) return std::nullopt;
        const std::string hex = ToHex(url) + "\n";
        const bool written = ::write(fd, hex.data(), hex.size()) == static_cast<ssize_t>(hex.size());
        ::close(fd);
        if (!written) return std::nullopt;
        const std::string command =
            "WINEDEBUG=-all wine '" + probe_ + "' < " + request + " 2>/dev/null; rm -f " + request;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return std::nullopt;
        std::string output;
        char buffer[65536];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
        ::pclose(pipe);
        if (!output.starts_with("reply ")) return std::nullopt;
        const auto space = output.find(' ', 6);
        std::string body = output.substr(space + 1);
        while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
        return HttpReply{std::stol(output.substr(6, space - 6)), FromHex(body)};
    }

private:
    std::string probe_;
};

}  // namespace sentrel::testing
