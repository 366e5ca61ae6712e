// Sends one POST with the WinHTTP transport for a test running on Linux: the
// URL is all of standard input (a long URL would not fit on a command line);
// the outcome goes to standard output as "none", or as the status on a line
// of its own followed by the body, byte for byte.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "platform/winhttp/WinHttpTransport.h"

int main() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    const std::string url(std::istreambuf_iterator<char>(std::cin), {});
    const auto reply = sentrel::WinHttpTransport().Post(url, "");
    if (!reply) {
        std::printf("none\n");
        return 0;
    }
    std::printf("%ld\n", reply->status);
    std::fwrite(reply->body.data(), 1, reply->body.size(), stdout);
    return 0;
}
