#include <windows.h>

#include <bcrypt.h>

#include <stdexcept>

#include "relay/system/SystemRandom.h"

namespace sentrel::service {

void FillRandom(std::span<unsigned char> bytes) {
    // The system's preferred generator, the one CryptGenRandom and
    // RtlGenRandom draw from as well.
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        throw std::runtime_error("the system's random source failed");
    }
}

}  // namespace sentrel::service
