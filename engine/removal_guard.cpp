#include "engine/removal_guard.h"

#include <windows.h>
#include <shlobj.h>
#include <userenv.h>

#include <vector>

#include "base/paths.h"
#include "base/scoped.h"

namespace {

// Full path ("." and ".." resolved) without trailing separators ("C:" for a drive root); empty when invalid.
std::wstring FullPath(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    if (n == 0 || n >= MAX_PATH * 2) return std::wstring();
    std::wstring result(full, n);
    while (!result.empty() && (result.back() == L'\\' || result.back() == L'/')) result.pop_back();
    return result;
}

std::wstring Normalised(const std::wstring& path) {
    std::wstring result = FullPath(path);
    CharUpperBuffW(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

// "\\?\C:\x" is "C:\x" and "\\?\UNC\server\share" is "\\server\share" for the comparisons.
std::wstring WithoutLongPathPrefix(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0 && path.size() >= 6 && iswalpha(path[4]) && path[5] == L':')
        return path.substr(4);
    return path;  // other namespaces keep their prefix and are refused
}

// The form the protected folders are compared in: full, without the long-path prefix, short (8.3)
// names expanded when the path exists, no trailing separator, upper case.
std::wstring Canonical(const std::wstring& path) {
    std::wstring full = WithoutLongPathPrefix(FullPath(path));
    wchar_t expanded[MAX_PATH * 2];
    DWORD n = full.empty() ? 0 : GetLongPathNameW(full.c_str(), expanded, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) full.assign(expanded, n);
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    return full;
}

// Where the directory really is when it is reached through a junction or link; empty when unknown.
std::wstring FinalPath(const std::wstring& path) {
    ScopedHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.IsValid()) return std::wstring();
    wchar_t buffer[MAX_PATH * 2];
    DWORD n = GetFinalPathNameByHandleW(handle.Get(), buffer, MAX_PATH * 2, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(buffer, n) : std::wstring();
}

bool IsAbsolute(const std::wstring& path) {
    bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    bool unc = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return drive || unc;
}

// "\\server\share" without anything below it.
bool IsShareRoot(const std::wstring& normalised) {
    if (normalised.size() < 3 || normalised[0] != L'\\' || normalised[1] != L'\\') return false;
    size_t server = normalised.find(L'\\', 2);
    return server == std::wstring::npos || normalised.find(L'\\', server + 1) == std::wstring::npos;
}

void AddFolder(std::vector<std::wstring>* folders, int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0])
        folders->push_back(Normalised(path));
}

std::vector<std::wstring> CollectProtectedFolders() {
    std::vector<std::wstring> folders;
    wchar_t path[MAX_PATH] = {};
    if (GetWindowsDirectoryW(path, MAX_PATH)) folders.push_back(Canonical(path));
    if (GetSystemDirectoryW(path, MAX_PATH)) folders.push_back(Canonical(path));
    if (GetSystemWow64DirectoryW(path, MAX_PATH)) folders.push_back(Canonical(path));
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                      CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_APPDATA,
                      CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL})
        AddFolder(&folders, csidl);
    if (GetTempPathW(MAX_PATH, path)) folders.push_back(Canonical(path));
    // The 64-bit Program Files folder, which a 32-bit process only learns from the environment.
    DWORD n = GetEnvironmentVariableW(L"ProgramW6432", path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folders.push_back(Canonical(path));
    DWORD size = MAX_PATH;
    if (GetProfilesDirectoryW(path, &size)) folders.push_back(Canonical(path));
    return folders;
}

const std::vector<std::wstring>& ProtectedFolders() {
    static const std::vector<std::wstring> folders = CollectProtectedFolders();
    return folders;
}

bool IsProtectedCanonical(const std::wstring& path) {
    // A drive root, a device or other special namespace, a share root, or one of the folders.
    if (path.size() <= 2 || path.compare(0, 4, L"\\\\.\\") == 0 || path.compare(0, 4, L"\\\\?\\") == 0 ||
        IsShareRoot(path))
        return true;
    for (const std::wstring& folder : ProtectedFolders())
        if (!folder.empty() && folder == path) return true;
    return false;
}

}  // namespace

bool IsProtectedDirectory(const std::wstring& directory) {
    if (!IsAbsolute(directory)) return true;
    std::wstring final = FinalPath(directory);
    return IsProtectedCanonical(Canonical(directory)) || (!final.empty() && IsProtectedCanonical(Canonical(final)));
}

std::wstring JoinInside(const std::wstring& directory, const std::wstring& name) {
    if (name.empty() || name.find(L':') != std::wstring::npos || name[0] == L'\\' || name[0] == L'/')
        return std::wstring();
    std::wstring base = Normalised(directory);
    std::wstring joined = FullPath(Paths::Join(directory, name));
    std::wstring target = joined;
    CharUpperBuffW(target.data(), static_cast<DWORD>(target.size()));
    if (base.empty() || target.size() <= base.size() + 1 || target.compare(0, base.size(), base) != 0 ||
        target[base.size()] != L'\\')
        return std::wstring();
    return joined;
}
