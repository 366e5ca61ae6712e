#include "relay/system/SystemRandom.h"

#include <vector>

namespace sentrel::service {

std::string RandomToken(std::size_t length) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    static_assert(sizeof kAlphabet - 1 == 64, "a byte's low six bits pick one character, each as likely");
    std::vector<unsigned char> bytes(length);
    FillRandom(bytes);
    std::string token;
    for (const unsigned char byte : bytes) token += kAlphabet[byte % 64];
    return token;
}

}  // namespace sentrel::service
