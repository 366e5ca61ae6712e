#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "relay/system/SystemRandom.h"

namespace sentrel::service {

void FillRandom(std::span<unsigned char> bytes) {
    for (std::size_t filled = 0; filled < bytes.size();) {
        const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got < 0 && errno != EINTR) {
            throw std::runtime_error(std::string("the system's random source failed: ") + std::strerror(errno));
        }
        if (got > 0) filled += static_cast<std::size_t>(got);
    }
}

}  // namespace sentrel::service
