#include "service/Sha1.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/ReferenceSha1.h"

namespace sentrel {
namespace {

using testing::ReferenceSha1;

TEST(Sha1, KnownVectors) {
    EXPECT_EQ(sentrel::SHA1("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(sentrel::SHA1(""), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(sentrel::SHA1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    EXPECT_EQ(sentrel::SHA1("The quick brown fox jumps over the lazy dog"), "2FD4E1C67A2D28FCED849EE1BB76E7391B93EB12");
    EXPECT_EQ(sentrel::SHA1(std::string(1000000, 'a')), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

// Lengths around the 55/56 and 64 byte edges, where the padding needs one
// more block or exactly fills one.
TEST(Sha1, BlockBoundaryLengthsMatchReference) {
    for (const std::size_t length : {54u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u}) {
        std::string text(length, 'x');
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
        EXPECT_EQ(sentrel::SHA1(text), ReferenceSha1(text)) << "length " << length;
    }
}

TEST(Sha1, RandomTextsMatchReference) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 4096);
    for (int i = 0; i < 2000; ++i) {
        std::string text(length(random), '\0');
        for (char& c : text) c = static_cast<char>(byte(random));
        const std::string digest = sentrel::SHA1(text);
        ASSERT_EQ(digest, ReferenceSha1(text)) << "length " << text.size();
        ASSERT_EQ(digest.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    }
}

// Text is hashed as its UTF-8 bytes: a Chinese character counts as three bytes.
TEST(Sha1, NonAsciiTextIsHashedAsItsUtf8Bytes) {
    const std::string text = "提示";
    ASSERT_EQ(text.size(), 6u);
    EXPECT_EQ(sentrel::SHA1(text), ReferenceSha1(text));
}

}  // namespace
}  // namespace sentrel
