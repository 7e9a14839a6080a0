#include "engine/removal_delete.h"

#include <windows.h>

#include "base/log.h"
#include "base/paths.h"
#include "engine/dir_walk.h"

namespace {

bool Collect(const std::wstring& path, UndeletableList& list) {
    if (!Paths::Exists(path)) return true;
    list.push_back(path);
    return false;
}

}  // namespace

bool DeleteFileOrCollect(const std::wstring& path, UndeletableList& list) {
    bool deleted = DeleteFileW(path.c_str()) != FALSE;
    if (!deleted) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        deleted = DeleteFileW(path.c_str()) != FALSE;
    }
    if (!deleted) return Collect(path, list);
    Log(L"DeleteFile:%s suceesss", path.c_str());
    return true;
}

bool DeleteDirectoryOrCollect(const std::wstring& path, bool isLink, UndeletableList& list) {
    if (RemoveDirectoryW(path.c_str())) return true;
    if (!isLink) ShellDeleteTree(path);
    return Collect(path, list);
}

void CollectTreeBelow(const std::wstring& directory, UndeletableList& list, const FileProgress& perFile) {
    ForEachEntry(directory, L"*", [&](const DirEntry& entry) {
        if (entry.IsRealDirectory()) {
            CollectTreeBelow(entry.path, list, perFile);
        } else if (entry.IsDirectory()) {
            DeleteDirectoryOrCollect(entry.path, true, list);
        } else {
            DeleteFileOrCollect(entry.path, list);
            if (perFile) perFile();
        }
    });
    DeleteDirectoryOrCollect(directory, false, list);
}
