#include "base/paths.h"

#include <objbase.h>
#include <stdio.h>
#include <windows.h>

#include <vector>

namespace Paths {

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ModuleDirectory() { return ParentDirectory(ModulePath()); }

std::wstring TempDirectory() {
    wchar_t buffer[1024] = {};
    DWORD n = GetTempPathW(1024, buffer);
    if (n == 0 || n >= 1024) return std::wstring();
    std::wstring dir(buffer, n);
    if (dir.back() != L'\\') dir += L'\\';
    return dir;
}

std::wstring Join(const std::wstring& dir, const std::wstring& name) {
    if (dir.empty()) return name;
    std::wstring head = dir;
    while (!head.empty() && (head.back() == L'\\' || head.back() == L'/')) head.pop_back();
    size_t start = 0;
    while (start < name.size() && (name[start] == L'\\' || name[start] == L'/')) ++start;
    return head + L'\\' + name.substr(start);
}

std::wstring FileName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ParentDirectory(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::wstring& path) {
    DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring NewGuidTempName(const std::wstring& parent) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        GUID g;
        if (FAILED(CoCreateGuid(&g))) continue;
        wchar_t name[64];
        _snwprintf(name, 64, L"{%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X}.tmp",
                   static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                   g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
        name[63] = L'\0';
        std::wstring candidate = Join(parent, name);
        if (!Exists(candidate)) return candidate;
    }
    return std::wstring();
}

}  // namespace Paths
