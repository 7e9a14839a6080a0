#include <gtest/gtest.h>

#include <stdint.h>

#include <string>

#include "base/cipher.h"
#include "base/digest.h"

namespace {

std::string BigEndian(uint64_t value) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = char(uint8_t(value >> (56 - 8 * i)));
    return bytes;
}

// Schneier's published ECB test vectors (8-byte keys).
TEST(CipherTest, BlowfishPublishedVectors) {
    const struct {
        uint64_t key, plain, cipher;
    } cases[] = {
        {0x0000000000000000, 0x0000000000000000, 0x4EF997456198DD78},
        {0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0x51866FD5B85ECB8A},
        {0x3000000000000000, 0x1000000000000001, 0x7D856F9A613063F2},
        {0x1111111111111111, 0x1111111111111111, 0x2466DD878B963C9D},
        {0x0123456789ABCDEF, 0x1111111111111111, 0x61F9C3802281B096},
        {0xFEDCBA9876543210, 0x0123456789ABCDEF, 0x0ACEAB0FC6A0A28D},
        {0x7CA110454A1A6E57, 0x01A1D6D039776742, 0x59C68245EB05282B},
    };
    for (const auto& c : cases) {
        CBlowfish cipher(BigEndian(c.key));
        uint32_t left = uint32_t(c.plain >> 32), right = uint32_t(c.plain);
        cipher.EncryptBlock(&left, &right);
        EXPECT_EQ((uint64_t(left) << 32) | right, c.cipher) << std::hex << c.key;
        cipher.DecryptBlock(&left, &right);
        EXPECT_EQ((uint64_t(left) << 32) | right, c.plain) << std::hex << c.key;
    }
}

// The expected text came from the host: printf 'nhifsni\0' | openssl enc -bf-ecb -nopad
// -K <hex of the 16-byte key> | base64 (with a 16-byte key OpenSSL schedules the same key bytes).
TEST(CipherTest, BlowfishTextMatchesAnIndependentImplementation) {
    EXPECT_EQ(EncryptText(L"nhifsni", L"0123456789abcdef"), L"gfDvawPFvMw=");
    EXPECT_EQ(DecryptText(L"gfDvawPFvMw=", L"0123456789abcdef"), L"nhifsni");
    EXPECT_NE(DecryptText(L"gfDvawPFvMw=", L"0123456789abcdeF"), L"nhifsni");
}

TEST(CipherTest, BlowfishRoundTripsAndPadsWithZeros) {
    const std::wstring key = L"3D41B7E0-9A2C-4F65-8E13-C0A7D25B6F48";
    for (const wchar_t* text : {L"a", L"nhifsni", L"eight ch", L"统计服务器 stat.example", L"long text beyond the 72 key bytes"}) {
        std::wstring cipher = EncryptText(text, key);
        ASSERT_FALSE(cipher.empty()) << text;
        EXPECT_EQ(DecryptText(cipher, key), text);
    }
    std::string base64, bytes;
    ASSERT_TRUE(BlowfishEncrypt("12345678", "k", &base64));
    EXPECT_EQ(base64.size(), 12u);
    ASSERT_TRUE(BlowfishEncrypt("123456789", "k", &base64));
    EXPECT_EQ(base64.size(), 24u);
    ASSERT_TRUE(BlowfishDecrypt(base64, "k", &bytes));
    EXPECT_EQ(bytes, std::string("123456789\0\0\0\0\0\0\0", 16));
}

TEST(CipherTest, BlowfishRejectsEmptyAndMalformedText) {
    std::string out;
    EXPECT_FALSE(BlowfishEncrypt("", "key", &out));
    EXPECT_FALSE(BlowfishDecrypt("", "key", &out));
    EXPECT_FALSE(BlowfishDecrypt("gfDvawPFvMw", "key", &out));   // not a multiple of 4
    EXPECT_FALSE(BlowfishDecrypt("gfDvawPF*Mw=", "key", &out));  // outside the alphabet
    EXPECT_EQ(EncryptText(L"", L"key"), L"");
    EXPECT_EQ(DecryptText(L"gfDvawPF*Mw=", L"key"), L"");
    // Key bytes past the 72nd are not used.
    std::wstring key72(72, L'k');
    EXPECT_EQ(EncryptText(L"text", key72), EncryptText(L"text", key72 + L"ignored"));
}

// FIPS 46 / NBS known-answer vectors.
TEST(CipherTest, DesPublishedVectors) {
    const struct {
        uint64_t key, plain, cipher;
    } cases[] = {
        {0x133457799BBCDFF1, 0x0123456789ABCDEF, 0x85E813540F0AB405},
        {0x0101010101010101, 0x8000000000000000, 0x95F8A5E5DD31D900},
        {0x8001010101010101, 0x0000000000000000, 0x95A8D72813DAA94D},
        {0x0123456789ABCDEF, 0x4E6F772069732074, 0x3FA40E8A984D4815},
        {0x7CA110454A1A6E57, 0x01A1D6D039776742, 0x690F5B0D9A26939B},
    };
    for (const auto& c : cases) EXPECT_EQ(DesEncryptBlock(c.plain, c.key), c.cipher) << std::hex << c.key;
}

std::wstring LongDesText() {
    std::wstring text = L"离开原因: 广告太多;";
    for (int i = 0; i < 300; ++i) text += wchar_t(0x21 + (i * 7) % 90);
    return text;
}

std::wstring WithoutLineBreaks(std::wstring text) {
    std::wstring out;
    for (wchar_t c : text)
        if (c != L'\r' && c != L'\n') out += c;
    return out;
}

// The expected text came from the host: the same UTF-8 text through
// openssl enc -des-ecb -K <hex of "tavnoreq"> (PKCS#5 padding) | base64 -w0.
TEST(CipherTest, DesTextMatchesAnIndependentImplementation) {
    std::wstring text = DesEncryptText(LongDesText(), L"tavnoreq");
    EXPECT_EQ(WithoutLineBreaks(text),
              L"8olm6nxqnXJSI5CHXIZIntioMf1mL2+ypXLx/YTezyqgcv9mb9r5ntsFGN+BaQ10z52ktb65GRKbSjHZJu94mD6/Pf6tAAt54LPUtg"
              L"n6RESgZoJrduLyADDrZR2dWzIF9YehFGdrupsbfCLmOD0gNakvc0B7hGGLOoJit50W9aFVtr1MlminhPDhfRm8UdgKG9BAytOGOh"
              L"1IzXzCMxBorGfU6tR2QeYHelSxEy522kw9n8bvBxZu8fSX+2pQ4HYZXGzBDTP8Y4u5Jb2Rst6u3pAw2mKljvoPcH+UgFIAyYgnzK"
              L"jTGaPBNqqzmCygw1RxRHDxyBZpPG+ed3itcS/FSTx1wKboXc2zTxHdFeXCFygKyt6gDwmAnontxvH9L8o0HnpiU+LqNAjdcDx4nW"
              L"mRXUYJ20GxYp50HmDwcPPQnmutdCKxqp0Pbg==");
    EXPECT_EQ(text.substr(76, 2), L"\r\n");
}

TEST(CipherTest, DesPaddingAndLimits) {
    std::wstring text = DesEncryptText(L"8 bytes!", L"tavnoreq");
    std::string bytes;
    ASSERT_TRUE(Base64Decode(std::string(text.begin(), text.end()), &bytes));
    EXPECT_EQ(bytes.size(), 16u);  // a whole padding block
    EXPECT_EQ(DesEncryptText(L"", L"tavnoreq"), L"");
    EXPECT_EQ(DesEncryptText(L"text", L"short"), L"");
    // Only the first 8 key bytes count.
    EXPECT_EQ(DesEncryptText(L"text", L"tavnoreq"), DesEncryptText(L"text", L"tavnoreq and more"));
    // 743 bytes make 744 cipher bytes, whose Base64 fits 1024 characters; one byte more does not.
    EXPECT_FALSE(DesEncryptText(std::wstring(743, L'x'), L"tavnoreq").empty());
    EXPECT_EQ(DesEncryptText(std::wstring(744, L'x'), L"tavnoreq"), L"");
    EXPECT_EQ(DesEncryptText(std::wstring(5000, L'x'), L"tavnoreq"), L"");
}

}  // namespace
