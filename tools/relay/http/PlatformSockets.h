#pragma once

#include <boost/asio/ip/tcp.hpp>

namespace sentrel::service {

// What the service's sockets need that POSIX and Windows spell differently.

// Lets a restarted service bind its port while connections of the last run
// linger in TIME_WAIT, without letting two services share the port. POSIX's
// SO_REUSEADDR does just that; Windows's would let a second process take
// the port over, and Windows needs SO_EXCLUSIVEADDRUSE instead.
void AllowQuickRebind(boost::asio::ip::tcp::acceptor& acceptor);

// Keeps a socket out of the programs the service starts (--on-alert), which
// would otherwise hold the port, or a client's connection, open for as long
// as they run.
void KeepFromChildren(boost::asio::ip::tcp::socket::native_handle_type socket);

}  // namespace sentrel::service
