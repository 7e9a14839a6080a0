#include "identity/id_text.h"

#include <string.h>

#include "base/digest.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool IsPrintable(unsigned char c) { return c >= 0x20 && c < 0x7f; }

int HexValue(char c) {
    if (c == ' ') return 0;
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Hex2(uint8_t value) { return HexLower(&value, 1); }

}  // namespace

std::string MidDigestText(const std::string& s) {
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, s.data(), s.size());
    uint8_t digest[16];
    Md5Final(&ctx, digest);
    Md5Final(&ctx, digest);
    return HexLower(digest, sizeof(digest));
}

bool ParseStoredMid(const std::string& value, std::string* mid) {
    if (value.size() != 64) return false;
    std::string first = value.substr(0, 32);
    if (!EqualsNoCase(value.substr(32), MidDigestText(first))) return false;
    *mid = first;
    return true;
}

std::string MakeStoredMid(const std::string& mid) { return mid + MidDigestText(mid); }

uint8_t Crc8Maxim(const std::string& bytes) {
    uint8_t crc = 0;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? uint8_t((crc >> 1) ^ 0x8c) : uint8_t(crc >> 1);
    }
    return crc;
}

std::string& Mid2Components::Get(unsigned component) {
    return component == kMid2Mac ? mac : component == kMid2Disk ? disk : processor;
}

unsigned Mid2Components::Flags() const {
    return (mac.empty() ? 0 : kMid2Mac) | (disk.empty() ? 0 : kMid2Disk) | (processor.empty() ? 0 : kMid2Processor);
}

bool BuildMid2Text(const Mid2Components& components, bool elevated, const GUID* fallbackGuid, std::string* text) {
    std::string body;
    uint8_t flag = 0;
    bool built = true;
    if (components.Flags() == 0) {
        if (fallbackGuid) {
            body = "ffffffff" + HexLower(fallbackGuid, sizeof(GUID));
            flag = 0x10;
        } else {
            built = false;
        }
    } else {
        auto digest = Sha1(components.mac + components.disk + components.processor);
        body = HexLower(digest.data(), digest.size());
        flag = uint8_t(components.Flags() | 0x20);
    }
    if (body.empty()) body.assign(40, '0');
    if (!elevated && !StartsWithNoCase(body, "ffffffff")) body.replace(0, 8, "eeeeeeee");
    body += Hex2(flag);
    body += Hex2(Crc8Maxim(body));
    *text = body;
    return built;
}

bool IsValidStoredMid2(const std::string& value) {
    if (value.size() != 44) return false;
    int high = HexValue(value[42]), low = HexValue(value[43]);
    if (high < 0 || low < 0 || value[42] == ' ' || value[43] == ' ') return false;
    return Crc8Maxim(value.substr(0, 42)) == high * 16 + low;
}

bool IsRandomMid2(const std::string& value) {
    return IsValidStoredMid2(value) && StartsWithNoCase(value, "ffffffff");
}

std::string IdentifyWordsToText(const uint16_t* words, size_t first, size_t last) {
    std::string text;
    for (size_t i = first; i <= last; ++i) {
        text.push_back(char(words[i] >> 8));
        text.push_back(char(words[i] & 0xff));
    }
    text.resize(strnlen(text.c_str(), text.size()));
    return TrimTrailingBlanks(text);
}

std::string DecodeStorageSerial(const std::string& raw) {
    std::string text;
    bool hex = !raw.empty() && raw.size() % 2 == 0;
    for (size_t i = 0; hex && i < raw.size(); i += 2) {
        int high = HexValue(raw[i]), low = HexValue(raw[i + 1]);
        if (high < 0 || low < 0 || !IsPrintable(uint8_t(high * 16 + low))) hex = false;
        else text.push_back(char(high * 16 + low));
    }
    if (!hex) {
        text.clear();
        for (char c : raw) {
            if (!IsPrintable(uint8_t(c))) break;
            text.push_back(c);
        }
    }
    for (size_t i = 0; i + 1 < text.size(); i += 2) std::swap(text[i], text[i + 1]);
    return text;
}

bool IsSystemDiskCandidate(bool removableMedia, int busType) {
    if (removableMedia) return false;
    switch (busType) {
        case 1: case 4: case 7: case 10: case 14: case 15: return false;
        default: return true;
    }
}

std::string CorrectVendor(const std::string& vendor) {
    return vendor == "GenuineIotel" ? std::string("GenuineIntel") : vendor;
}

std::string MacText(const uint8_t* address) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 6; ++i) {
        text.push_back(kDigits[address[i] >> 4]);
        text.push_back(kDigits[address[i] & 15]);
    }
    return text;
}

bool IsPlainDeviceName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring::npos;
}

std::string TrimTrailingBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string TrimBlanks(std::string text) {
    text = TrimTrailingBlanks(std::move(text));
    size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}
