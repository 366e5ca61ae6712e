#include <fcntl.h>

#include "relay/http/PlatformSockets.h"

namespace sentrel::service {

void AllowQuickRebind(boost::asio::ip::tcp::acceptor& acceptor) {
    acceptor.set_option(boost::asio::socket_base::reuse_address(true));
}

void KeepFromChildren(boost::asio::ip::tcp::socket::native_handle_type socket) {
    ::fcntl(socket, F_SETFD, ::fcntl(socket, F_GETFD) | FD_CLOEXEC);
}

}  // namespace sentrel::service
