#include <windows.h>

#include "relay/http/PlatformSockets.h"

namespace sentrel::service {

void AllowQuickRebind(boost::asio::ip::tcp::acceptor& acceptor) {
    // Windows binds over TIME_WAIT connections as it is; this keeps any other
    // program from binding the port alongside.
    using ExclusiveUse = boost::asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
    acceptor.set_option(ExclusiveUse(true));
}

void KeepFromChildren(boost::asio::ip::tcp::socket::native_handle_type socket) {
    SetHandleInformation(reinterpret_cast<HANDLE>(static_cast<SOCKET>(socket)), HANDLE_FLAG_INHERIT, 0);
}

}  // namespace sentrel::service
