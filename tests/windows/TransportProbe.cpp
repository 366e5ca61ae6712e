// Sends one POST with the WinHTTP transport for a test running on Linux:
// the URL comes in hexadecimal on standard input (a long URL would not fit
// on a command line); the outcome goes to standard output as "none", or
// "reply STATUS HEXBODY".
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/winhttp/WinHttpTransport.h"
#include "support/HexText.h"

int main() {
    std::string hexUrl;
    std::getline(std::cin, hexUrl);
    sentrel::WinHttpTransport transport;
    const auto reply = transport.Post(sentrel::testing::FromHex(hexUrl), "");
    if (!reply) {
        std::printf("none\n");
    } else {
        std::printf("reply %ld %s\n", reply->status, sentrel::testing::ToHex(reply->body).c_str());
    }
    return 0;
}
