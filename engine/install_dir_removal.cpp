// The removal of the installation directory: only the product's own top-level entries, and the extra
// files that the product's registry file lists name.
#include <windows.h>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/signature.h"
#include "config/root_dir_list.h"
#include "engine/dir_walk.h"
#include "engine/file_remover.h"
#include "engine/removal_delete.h"
#include "engine/removal_guard.h"

namespace {

bool IsUsableInstallDir(const std::wstring& directory) {
    if (directory.empty() || directory.size() >= MAX_PATH) return false;
    if (IsProtectedDirectory(directory)) {
        Log(L"refuse to delete files in %s", directory.c_str());
        return false;
    }
    return true;
}

// A top-level entry belongs to the product when the list names it or it is a file signed by one of
// the maker's publishers.
bool BelongsToProduct(const DirEntry& entry, const IUninstallRootDirList* rootList) {
    if (rootList && rootList->Contains(entry.data.cFileName)) return true;
    if (!entry.IsDirectory() && VerifyFileSignature(entry.path.c_str())) return true;
    Log(L"File NOT exists in xml: %s", entry.data.cFileName);
    return false;
}

int CountFilesBelow(const std::wstring& directory) {
    int count = 0;
    ForEachEntry(directory, L"*", [&count](const DirEntry& entry) {
        if (entry.IsRealDirectory())
            count += CountFilesBelow(entry.path);
        else if (!entry.IsDirectory())
            ++count;
    });
    return count;
}

}  // namespace

bool CountInstallDirFiles(const std::wstring& directory, const IUninstallRootDirList* rootList, int* count) {
    if (!count || !IsUsableInstallDir(directory)) return false;
    int total = 0;
    ForEachEntry(directory, L"*", [&](const DirEntry& entry) {
        if (!BelongsToProduct(entry, rootList)) return;
        if (entry.IsRealDirectory())
            total += CountFilesBelow(entry.path);
        else if (!entry.IsDirectory())
            ++total;
    });
    *count = total;
    return true;
}

void DeleteInstallDirFiles(const std::wstring& directory, const IUninstallRootDirList* rootList, UndeletableList& list,
                           const FileProgress& perFile) {
    if (!IsUsableInstallDir(directory)) return;
    ForEachEntry(directory, L"*", [&](const DirEntry& entry) {
        if (!BelongsToProduct(entry, rootList)) return;
        if (entry.IsRealDirectory()) {
            CollectTreeBelow(entry.path, list, perFile);
        } else if (entry.IsDirectory()) {
            DeleteDirectoryOrCollect(entry.path, true, list);
        } else if (DeleteFileOrCollect(entry.path, list)) {
            Log(L"Delete File: %s", entry.path.c_str());
            if (perFile) perFile();
        }
    });
    bool removed = RemoveDirectoryW(directory.c_str()) != FALSE;
    Log(L"remove directory %s %s", directory.c_str(), removed ? L"suceess" : L"failed.");
}

void DeleteRegistryListedFiles(const std::wstring& directory, const std::wstring& subKey, UndeletableList& list) {
    if (directory.empty() || !Paths::DirectoryExists(directory)) return;
    if (IsProtectedDirectory(directory)) {
        Log(L"refuse to delete files in %s", directory.c_str());
        return;
    }
    ScopedRegKey key;
    if (Registry::OpenKey(HKEY_LOCAL_MACHINE, subKey, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH];
        DWORD length = MAX_PATH;
        LONG status = RegEnumValueW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;  // a name longer than a path
        if (status != ERROR_SUCCESS) break;
        if (!name[0]) continue;  // the key's default value names nothing
        std::wstring path = JoinInside(directory, name);
        if (path.empty()) {
            Log(L"refuse file list entry %s", name);
            continue;
        }
        if (Paths::DirectoryExists(path))
            DeleteTreeCollect(path, list);
        else if (Paths::Exists(path))
            DeleteOrCollect(path, list);
    }
}
