#pragma once
#include <windows.h>

#include <functional>
#include <string>

// The registry-backed resolution of both identifiers, with the hardware sources passed in so that
// tests can drive it with fixed facts.
namespace identity_detail {

extern const wchar_t kMidKey[];   // HKLM, product (32-bit) view
extern const wchar_t kMid2Key[];  // HKLM, 64-bit view

// GetMachineId's steps: a valid stored "mid" wins; otherwise the digest text of the hardware string
// (or of "Mid2Failed" when it is empty, which is then not stored). Storing keeps the replaced value
// as "mid_old". `key` is the HKLM key of the cache (tests use their own).
std::string ResolveMid(const std::function<std::string()>& hardwareString, const wchar_t* key = kMidKey);

struct Mid2Sources {
    bool elevated = true;
    std::function<std::string(unsigned component)> collect;
    DWORD retryDelayMs = 500;
    const wchar_t* key = kMid2Key;  // HKLM key of the cache, 64-bit view
};
// GetMID2's steps against the stored "m2" (and "m2_old" when it is replaced).
std::string ResolveMid2(const Mid2Sources& sources);

// Older than Vista, elevation unreadable, or an elevated token.
bool IsProcessElevated();

}  // namespace identity_detail
