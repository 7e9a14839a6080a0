#include "config/temp_files.h"

#include <windows.h>
#include <objbase.h>

#include "base/scoped.h"

namespace {

constexpr int kMaxNameAttempts = 10;
constexpr DWORD kTempPathCapacity = 1024;

std::wstring GuidFileName(const GUID& g) {
    wchar_t name[64];
    _snwprintf(name, 64, L"{%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X}.tmp", static_cast<unsigned>(g.Data1),
               g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
               g.Data4[6], g.Data4[7]);
    name[63] = L'\0';
    return name;
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool MakeFreshTempPath(std::wstring* path) {
    wchar_t tempDir[kTempPathCapacity];
    DWORD length = ::GetTempPathW(kTempPathCapacity, tempDir);
    if (length == 0 || length >= kTempPathCapacity) return false;
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        GUID guid;
        if (FAILED(::CoCreateGuid(&guid))) continue;
        std::wstring candidate = std::wstring(tempDir, length) + GuidFileName(guid);
        if (!PathExists(candidate)) {
            *path = std::move(candidate);
            return true;
        }
    }
    return false;
}

bool CreateDirectories(const std::wstring& directory) {
    if (directory.empty()) return false;
    if (IsDirectory(directory)) return true;
    size_t cut = directory.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0 && directory[cut - 1] != L':' &&
        !CreateDirectories(directory.substr(0, cut)))
        return false;
    return ::CreateDirectoryW(directory.c_str(), nullptr) || IsDirectory(directory);
}

bool RemoveDirectoryTree(const std::wstring& directory) {
    if (directory.empty()) return false;
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(::FindFirstFileW((directory + L"\\*").c_str(), &entry));
    if (find.IsValid()) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = directory + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                ::SetFileAttributesW(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            bool isLink = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW(path.c_str());
            else if (isLink)
                ::RemoveDirectoryW(path.c_str());
            else
                RemoveDirectoryTree(path);
        } while (::FindNextFileW(find.Get(), &entry));
    }
    ::SetFileAttributesW(directory.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(directory.c_str());
    return !PathExists(directory);
}
