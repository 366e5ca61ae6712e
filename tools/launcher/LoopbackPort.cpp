#include "LoopbackPort.h"

#include <winsock2.h>

namespace sentrel::launcher {
namespace {

struct Socket {
    SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    Socket() = default;
    ~Socket() {
        if (handle != INVALID_SOCKET) closesocket(handle);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
};

struct Winsock {
    Winsock() {
        WSADATA data;
        started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~Winsock() {
        if (started) WSACleanup();
    }
    Winsock(const Winsock&) = delete;
    Winsock& operator=(const Winsock&) = delete;
    bool started = false;
};

}  // namespace

bool LoopbackPortAnswers(int port) {
    const Winsock winsock;
    if (!winsock.started) return false;
    const Socket made;
    if (made.handle == INVALID_SOCKET) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return connect(made.handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace sentrel::launcher
