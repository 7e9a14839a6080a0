#include <gtest/gtest.h>

#include <string>

#include "base/digest.h"

namespace {

std::string Sha1Hex(const std::string& bytes) {
    auto digest = Sha1(bytes);
    return HexLower(digest.data(), digest.size());
}

std::string Md5Hex(const std::string& bytes) {
    auto digest = Md5(bytes);
    return HexLower(digest.data(), digest.size());
}

// FIPS 180-4 examples.
TEST(DigestTest, Sha1PublishedVectors) {
    EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(DigestTest, Sha1AcceptsBytesInPiecesOfAnyLength) {
    std::string text(1000, '\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = char(i * 31 + 7);
    Sha1Context ctx;
    Sha1Init(&ctx);
    for (size_t at = 0, piece = 1; at < text.size(); at += piece, piece = piece * 3 % 97 + 1)
        Sha1Update(&ctx, text.data() + at, std::min(piece, text.size() - at));
    uint8_t digest[20];
    Sha1Final(&ctx, digest);
    EXPECT_EQ(HexLower(digest, 20), Sha1Hex(text));
}

// RFC 1321 test suite.
TEST(DigestTest, Md5PublishedVectors) {
    const struct {
        std::string text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Md5Hex(c.text), c.digest) << c.text;
}

// The state and the compression function work on their own: one hand-padded block of "abc".
TEST(DigestTest, Md5CompressionFunctionOnItsOwn) {
    uint8_t block[64] = {'a', 'b', 'c', 0x80};
    block[56] = 24;  // bit length, little-endian
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Transform(ctx.state, block);
    uint8_t digest[16];
    for (int i = 0; i < 16; ++i) digest[i] = uint8_t(ctx.state[i / 4] >> (8 * (i % 4)));
    EXPECT_EQ(HexLower(digest, 16), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(DigestTest, HexIsLowerCaseWithoutSeparators) {
    const uint8_t bytes[] = {0x00, 0x0f, 0xa5, 0xff};
    EXPECT_EQ(HexLower(bytes, sizeof(bytes)), "000fa5ff");
    EXPECT_EQ(HexLower(bytes, 0), "");
}

TEST(DigestTest, Base64SingleLine) {
    EXPECT_EQ(Base64Encode("abc"), "YWJj");
    EXPECT_EQ(Base64Encode("ab"), "YWI=");
    EXPECT_EQ(Base64Encode("a"), "YQ==");
    EXPECT_EQ(Base64Encode(""), "");
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(char(i));
    std::string text = Base64Encode(all + all);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    std::string back;
    ASSERT_TRUE(Base64Decode(text, &back));
    EXPECT_EQ(back, all + all);
}

TEST(DigestTest, Base64DecoderIsStrict) {
    std::string bytes = "left over";
    EXPECT_TRUE(Base64Decode("", &bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_TRUE(Base64Decode("YWI=", &bytes));
    EXPECT_EQ(bytes, "ab");
    EXPECT_TRUE(Base64Decode("YQ==", &bytes));
    EXPECT_EQ(bytes, "a");
    for (const char* bad : {"YWJ", "YW=j", "YWJj\r\n", "YW J", "Y===", "====", "YW-j", "YQ==YWJj"})
        EXPECT_FALSE(Base64Decode(bad, &bytes)) << bad;
}

std::string Bytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char(i * 7 + 1);
    return bytes;
}

TEST(DigestTest, Base64LinesLayout) {
    std::string text;
    ASSERT_TRUE(Base64EncodeLines(Bytes(57), 1024, &text));
    EXPECT_EQ(text, Base64Encode(Bytes(57)) + "\r\n");

    ASSERT_TRUE(Base64EncodeLines(Bytes(58), 1024, &text));
    std::string single = Base64Encode(Bytes(58));
    EXPECT_EQ(text, single.substr(0, 76) + "\r\n" + single.substr(76));
    EXPECT_EQ(text.substr(78), single.substr(76, 4));
    EXPECT_EQ(text.back(), '=');

    ASSERT_TRUE(Base64EncodeLines(Bytes(56), 1024, &text));
    EXPECT_EQ(text, Base64Encode(Bytes(56)));
    EXPECT_EQ(text.size(), 76u);  // one line of 72 characters plus the padded group

    ASSERT_TRUE(Base64EncodeLines(Bytes(114), 1024, &text));
    single = Base64Encode(Bytes(114));
    EXPECT_EQ(text, single.substr(0, 76) + "\r\n" + single.substr(76) + "\r\n");

    ASSERT_TRUE(Base64EncodeLines("", 1024, &text));
    EXPECT_EQ(text, "");
}

TEST(DigestTest, Base64LinesCapacity) {
    std::string text = "untouched";
    ASSERT_TRUE(Base64EncodeLines(Bytes(747), 1024, &text));
    EXPECT_LE(text.size(), 1024u);
    EXPECT_EQ(Base64LinesEstimate(747), 1024u);
    for (size_t size : {748, 749, 900}) {
        text = "untouched";
        EXPECT_FALSE(Base64EncodeLines(Bytes(size), 1024, &text)) << size;
        EXPECT_EQ(text, "untouched");
    }
}

}  // namespace
