#include "engine/removal_guard.h"

#include <windows.h>
#include <shlobj.h>
#include <userenv.h>

#include <vector>

#include "base/paths.h"

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
    if (GetWindowsDirectoryW(path, MAX_PATH)) folders.push_back(Normalised(path));
    if (GetSystemDirectoryW(path, MAX_PATH)) folders.push_back(Normalised(path));
    if (GetSystemWow64DirectoryW(path, MAX_PATH)) folders.push_back(Normalised(path));
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                      CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_APPDATA,
                      CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL})
        AddFolder(&folders, csidl);
    if (GetTempPathW(MAX_PATH, path)) folders.push_back(Normalised(path));
    // The 64-bit Program Files folder, which a 32-bit process only learns from the environment.
    DWORD n = GetEnvironmentVariableW(L"ProgramW6432", path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folders.push_back(Normalised(path));
    DWORD size = MAX_PATH;
    if (GetProfilesDirectoryW(path, &size)) folders.push_back(Normalised(path));
    return folders;
}

const std::vector<std::wstring>& ProtectedFolders() {
    static const std::vector<std::wstring> folders = CollectProtectedFolders();
    return folders;
}

}  // namespace

bool IsProtectedDirectory(const std::wstring& directory) {
    if (!IsAbsolute(directory)) return true;
    std::wstring path = Normalised(directory);
    if (path.size() <= 2 || IsShareRoot(path)) return true;
    for (const std::wstring& folder : ProtectedFolders())
        if (!folder.empty() && folder == path) return true;
    return false;
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
