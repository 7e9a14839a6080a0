#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>

// The pure parts of the machine identifiers: digests and check values, stored-value validation and
// the decoding of device answers. No device or registry access here.

// MD5 over `s`, finalised twice on the same context, as 32 lower-case hexadecimal digits.
std::string MidDigestText(const std::string& s);
// A stored "mid" value is `mid` followed by the digest text of `mid`. True, with the first half in
// `mid`, when it has 64 characters and the check half matches without regard to case.
bool ParseStoredMid(const std::string& value, std::string* mid);
std::string MakeStoredMid(const std::string& mid);

// CRC-8/MAXIM: reflected polynomial 0x8C, initial value 0, no final XOR.
uint8_t Crc8Maxim(const std::string& bytes);

// The components of mid2, empty when their source gave nothing.
constexpr unsigned kMid2Mac = 1;
constexpr unsigned kMid2Disk = 2;
constexpr unsigned kMid2Processor = 8;
constexpr unsigned kMid2Mask = kMid2Mac | kMid2Disk | kMid2Processor;
struct Mid2Components {
    std::string mac;
    std::string disk;
    std::string processor;
    std::string& Get(unsigned component);
    unsigned Flags() const;
};

// 40 hexadecimal digits, flag byte and check byte (44 characters). Without any component the body is
// "ffffffff" plus `fallbackGuid` as hex (false when it is null: the body is then forty "0").
// A non-elevated process gets "eeeeeeee" in place of the first 8 digits unless the body is random.
bool BuildMid2Text(const Mid2Components& components, bool elevated, const GUID* fallbackGuid, std::string* text);
// 44 characters whose last two are the hexadecimal CRC-8/MAXIM of the first 42.
bool IsValidStoredMid2(const std::string& value);
// A valid stored value that starts with "ffffffff" (any case).
bool IsRandomMid2(const std::string& value);

// The text of ATA IDENTIFY words [first, last]: high byte, then low byte of each word, up to the
// first zero byte, trailing blanks removed.
std::string IdentifyWordsToText(const uint16_t* words, size_t first, size_t last);
// A storage descriptor's serial as some Windows versions report it: pairs of hexadecimal digits
// (a blank counts as 0) when every pair gives a printable character, otherwise the text up to the
// first unprintable character; then every two adjacent characters swapped.
std::string DecodeStorageSerial(const std::string& raw);
// A drive that can hold the system disk for mid2: fixed media, not on a SCSI, 1394, USB, SAS, virtual
// or file-backed virtual bus (STORAGE_BUS_TYPE values 1, 4, 7, 10, 14, 15).
bool IsSystemDiskCandidate(bool removableMedia, int busType);
// "GenuineIotel" is a misreported "GenuineIntel".
std::string CorrectVendor(const std::string& vendor);
// Six address bytes as 12 upper-case hexadecimal digits.
std::string MacText(const uint8_t* address);

// A network service name that may follow "\\.\" in a device path: not empty, no path separators or
// colons (the names come from the registry and must not reach other devices or files).
bool IsPlainDeviceName(const std::wstring& name);

std::string TrimTrailingBlanks(std::string text);
std::string TrimBlanks(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
