#include "client/Sha1.h"

#include <array>
#include <cstdint>

#include "client/ByteWord.h"

namespace sentrel {
namespace {

ByteWord StepLogic(std::int32_t t, const ByteWord& b, const ByteWord& c, const ByteWord& d) {
    if (t <= 19) return WordOr(WordAnd(b, c), WordAnd(WordNot(b), d));
    if (t <= 39) return WordXor(WordXor(b, c), d);
    if (t <= 59) return WordOr(WordOr(WordAnd(b, c), WordAnd(b, d)), WordAnd(c, d));
    return WordXor(WordXor(b, c), d);
}

// The message, 0x80, Z zero bytes and the 32-bit bit count, where
// Z = ((55 - n mod 64) mod 64) + 4 makes the length a multiple of 64.
std::string PaddedMessage(std::string_view bytes) {
    const double n = static_cast<double>(bytes.size());
    const ByteWord length = WordFromDouble(n * 8.0);
    const auto rest = static_cast<std::int64_t>(bytes.size() % 64);
    const auto zeros = static_cast<std::size_t>(FloorMod(static_cast<double>(128 - rest - 9), 64.0) + 4.0);

    std::string padded;
    padded.reserve(bytes.size() + 5 + zeros);
    padded.append(bytes);
    padded.push_back(static_cast<char>(0x80));
    padded.append(zeros, '\0');
    for (const std::uint8_t byte : {length.B0, length.B1, length.B2, length.B3}) {
        padded.push_back(static_cast<char>(byte));
    }
    return padded;
}

ByteWord WordAt(std::string_view block, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(block[4 * i + k]); };
    return ByteWord{byte(0), byte(1), byte(2), byte(3)};
}

}  // namespace

std::string SHA1(std::string_view text) {
    const std::string message = PaddedMessage(text);

    const std::array<ByteWord, 4> K = {WordFromHex("5A827999"), WordFromHex("6ED9EBA1"), WordFromHex("8F1BBCDC"),
                                       WordFromHex("CA62C1D6")};
    ByteWord H0 = WordFromHex("67452301");
    ByteWord H1 = WordFromHex("EFCDAB89");
    ByteWord H2 = WordFromHex("98BADCFE");
    ByteWord H3 = WordFromHex("10325476");
    ByteWord H4 = WordFromHex("C3D2E1F0");

    std::array<ByteWord, 80> W{};
    for (std::size_t offset = 0; offset < message.size(); offset += 64) {
        const std::string_view block = std::string_view(message).substr(offset, 64);
        for (std::size_t i = 0; i < 16; ++i) {
            W[i] = WordAt(block, i);
        }
        for (std::size_t i = 16; i < 80; ++i) {
            W[i] = WordRotateLeft(WordXor(WordXor(WordXor(W[i - 3], W[i - 8]), W[i - 14]), W[i - 16]), 1);
        }

        ByteWord A = H0, B = H1, C = H2, D = H3, E = H4;
        for (std::int32_t t = 0; t < 80; ++t) {
            const ByteWord TEMP =
                WordAdd(WordAdd(WordAdd(WordAdd(WordRotateLeft(A, 5), StepLogic(t, B, C, D)), E), W[t]), K[t / 20]);
            E = D;
            D = C;
            C = WordRotateLeft(B, 30);
            B = A;
            A = TEMP;
        }

        H0 = WordAdd(H0, A);
        H1 = WordAdd(H1, B);
        H2 = WordAdd(H2, C);
        H3 = WordAdd(H3, D);
        H4 = WordAdd(H4, E);
    }

    return WordHex(H0) + WordHex(H1) + WordHex(H2) + WordHex(H3) + WordHex(H4);
}

}  // namespace sentrel
