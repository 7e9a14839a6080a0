#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "identity/id_text.h"

namespace {

// Expected values were computed on the host by a separate route: a Python MD5 compression function
// written from RFC 1321 (constants from abs(sin(i + 1)) * 2^32, checked against hashlib.md5) run over
// T, LE64(8|s|), the last 56 bytes of T, 0x80, 63 zero bytes, LE64(8|T|), where T is s with its
// standard pad bytes.
TEST(IdTextTest, MidDigestTextFinalisesTwice) {
    const struct {
        std::string text;
        const char* digest;
    } cases[] = {
        {"GenuineIntel:bfebfbffWD-WCC4N0123456001122AABBCC", "d6212be788c48cf8f2af3c8b35ce5193"},
        {"Mid2Failed", "30908dae359c9665d70190674e7dc5a0"},
        {"", "5d2735c78b4ad61d0f6b5933aef45e4f"},
        {std::string("0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567"
                     "890123456789012345678901234567890123456789"),
         "3e5623d81b3e1e9d54e44e2c5f2d2b11"},
    };
    for (const auto& c : cases) EXPECT_EQ(MidDigestText(c.text), c.digest) << c.text;
}

TEST(IdTextTest, StoredMidNeedsItsCheckHalf) {
    std::string mid = "e4f62cb735b1e2c0e2c82c8f1f894a92";
    std::string stored = MakeStoredMid(mid);
    ASSERT_EQ(stored.size(), 64u);
    std::string parsed;
    EXPECT_TRUE(ParseStoredMid(stored, &parsed));
    EXPECT_EQ(parsed, mid);

    std::string upperCheck = stored;
    for (size_t i = 32; i < 64; ++i) upperCheck[i] = char(toupper(upperCheck[i]));
    EXPECT_TRUE(ParseStoredMid(upperCheck, &parsed));

    std::string wrongCheck = mid + std::string(32, 'a');
    EXPECT_FALSE(ParseStoredMid(wrongCheck, &parsed));
    EXPECT_FALSE(ParseStoredMid(stored.substr(0, 63), &parsed));
    EXPECT_FALSE(ParseStoredMid(stored + "0", &parsed));
}

// CRC-8/MAXIM's catalogued check value.
TEST(IdTextTest, Crc8MaximCheckValue) {
    EXPECT_EQ(Crc8Maxim("123456789"), 0xA1);
    EXPECT_EQ(Crc8Maxim(""), 0);
}

Mid2Components FullComponents() {
    Mid2Components c;
    c.mac = "001122AABBCC";
    c.disk = "WD-WCC4N0123456WDC WD10EZEX-08WN4A0";
    c.processor = "GenuineIntel,906ea,Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz";
    return c;
}

// Expected texts from the host: hashlib.sha1 of the joined components, flag byte, and a Python
// CRC-8/MAXIM over the 42 characters.
TEST(IdTextTest, Mid2TextFromComponents) {
    std::string text;
    ASSERT_TRUE(BuildMid2Text(FullComponents(), true, nullptr, &text));
    EXPECT_EQ(text, "12601551eb32abc7c57fd00afcf169b4d705d1d62b90");
    ASSERT_TRUE(BuildMid2Text(FullComponents(), false, nullptr, &text));
    EXPECT_EQ(text, "eeeeeeeeeb32abc7c57fd00afcf169b4d705d1d62b11");

    Mid2Components noMac = FullComponents();
    noMac.mac.clear();
    ASSERT_TRUE(BuildMid2Text(noMac, true, nullptr, &text));
    EXPECT_EQ(text, "b27e330de49860c5a1b2f97b65ae1b65f96e7c852af8");  // flag 0x2a: no bit 1
    EXPECT_TRUE(IsValidStoredMid2(text));
}

TEST(IdTextTest, Mid2RandomFallback) {
    const GUID guid = {0x01020304, 0x0506, 0x0708, {0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10}};
    std::string text;
    for (bool elevated : {true, false}) {
        ASSERT_TRUE(BuildMid2Text(Mid2Components(), elevated, &guid, &text));
        EXPECT_EQ(text.substr(0, 42), "ffffffff0403020106050807090a0b0c0d0e0f1010");
        EXPECT_TRUE(IsRandomMid2(text));
    }
    // Without a GUID the body is forty zeros, flag 0, and building counts as failed.
    EXPECT_FALSE(BuildMid2Text(Mid2Components(), true, nullptr, &text));
    EXPECT_EQ(text.substr(0, 42), std::string(40, '0') + "00");
    EXPECT_TRUE(IsValidStoredMid2(text));
    EXPECT_FALSE(BuildMid2Text(Mid2Components(), false, nullptr, &text));
    EXPECT_EQ(text.substr(0, 8), "eeeeeeee");
}

TEST(IdTextTest, StoredMid2Validation) {
    std::string text;
    BuildMid2Text(FullComponents(), true, nullptr, &text);
    EXPECT_TRUE(IsValidStoredMid2(text));
    EXPECT_FALSE(IsRandomMid2(text));
    std::string upper = text;
    for (char& c : upper) c = char(toupper(c));
    EXPECT_TRUE(IsValidStoredMid2(text.substr(0, 42) + upper.substr(42)));  // the check digits in any case
    EXPECT_FALSE(IsValidStoredMid2(upper.substr(0, 42) + text.substr(42)));  // the check covers the characters
    EXPECT_FALSE(IsValidStoredMid2(text.substr(0, 43)));  // 43 characters
    EXPECT_FALSE(IsValidStoredMid2(text + "0"));
    std::string badCheck = text;
    badCheck[43] = badCheck[43] == '0' ? '1' : '0';
    EXPECT_FALSE(IsValidStoredMid2(badCheck));
    std::string badDigit = text;
    badDigit[0] = badDigit[0] == 'a' ? 'b' : 'a';
    EXPECT_FALSE(IsValidStoredMid2(badDigit));
}

std::vector<uint16_t> IdentifyWords(const std::string& serial, size_t at, size_t words) {
    std::vector<uint16_t> buffer(256, 0x2020);
    for (size_t i = 0; i < words * 2 && i < serial.size(); ++i) {
        uint16_t& w = buffer[at + i / 2];
        w = i % 2 ? uint16_t((w & 0xff00) | uint8_t(serial[i])) : uint16_t((w & 0x00ff) | (uint8_t(serial[i]) << 8));
    }
    return buffer;
}

TEST(IdTextTest, IdentifyWordsGiveHighByteFirst) {
    std::vector<uint16_t> words = IdentifyWords("WD-WCC4N0123456", 10, 10);
    EXPECT_EQ(words[10], uint16_t(('W' << 8) | 'D'));
    EXPECT_EQ(IdentifyWordsToText(words.data(), 10, 19), "WD-WCC4N0123456");  // trailing blanks gone
    words[12] = 0;
    EXPECT_EQ(IdentifyWordsToText(words.data(), 10, 19), "WD-W");  // a zero byte ends the text
    std::vector<uint16_t> blank(256, 0x2020);
    EXPECT_EQ(IdentifyWordsToText(blank.data(), 10, 19), "");
}

TEST(IdTextTest, StorageSerialDecoding) {
    const struct {
        const char* raw;
        const char* serial;
    } cases[] = {
        {"31534241", "S1AB"},      // hexadecimal of the swapped serial "1SBA"
        {"4 34", "4@"},            // a blank counts as 0: 0x40 '@', 0x34 '4'
        {"1234ABCD", "2143BADC"},  // 0x12 is unprintable: taken as stored, then swapped
        {"AB\x01" "CD", "BA"},     // up to the first unprintable character
        {"ABC", "BAC"},            // odd length is not hexadecimal
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeStorageSerial(c.raw), c.serial) << c.raw;
}

// A virtual machine whose only disk hangs on USB (7) or a virtual bus (14) has no disk component.
TEST(IdTextTest, SystemDiskCandidates) {
    for (int bus : {3 /* ATA */, 11 /* SATA */, 17 /* NVMe */, 0})
        EXPECT_TRUE(IsSystemDiskCandidate(false, bus)) << bus;
    for (int bus : {1, 4, 7, 10, 14, 15}) EXPECT_FALSE(IsSystemDiskCandidate(false, bus)) << bus;
    EXPECT_FALSE(IsSystemDiskCandidate(true, 11));
}

TEST(IdTextTest, SmallHelpers) {
    EXPECT_EQ(CorrectVendor("GenuineIotel"), "GenuineIntel");
    EXPECT_EQ(CorrectVendor("AuthenticAMD"), "AuthenticAMD");
    const uint8_t address[6] = {0x00, 0x1a, 0x2b, 0xc3, 0xd4, 0xff};
    EXPECT_EQ(MacText(address), "001A2BC3D4FF");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimTrailingBlanks("  a  "), "  a");
    EXPECT_TRUE(IsPlainDeviceName(L"{4D36E972-E325-11CE-BFC1-08002BE10318}"));
    for (const wchar_t* hostile : {L"", L"..", L"C:\\Windows", L"..\\PhysicalDrive0", L"pipe/x", L"GLOBALROOT:x"})
        EXPECT_FALSE(IsPlainDeviceName(hostile)) << hostile;
}

}  // namespace
