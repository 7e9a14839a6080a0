#include "engine/file_remover.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "base/log.h"
#include "base/paths.h"
#include "engine/dir_walk.h"
#include "engine/removal_delete.h"
#include "engine/removal_guard.h"

namespace {

constexpr size_t kMaxShellSource = 4096;

// The common entry check of the tree operations: length limits without a log line, protected
// directories with one.
bool IsUsableTree(const std::wstring& directory) {
    if (directory.empty() || directory.size() >= MAX_PATH) return false;
    if (IsProtectedDirectory(directory)) {
        Log(L"refuse to remove %s", directory.c_str());
        return false;
    }
    return true;
}

bool IsLinkPath(const std::wstring& path) {
    DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
}

void ClearReadOnly(const std::wstring& path) {
    DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
}

void RemoveTreeBelow(const std::wstring& directory) {
    ClearReadOnly(directory);
    ForEachEntry(directory, L"*", [](const DirEntry& entry) {
        if (entry.IsRealDirectory())
            RemoveTreeBelow(entry.path);
        else if (entry.IsDirectory())
            RemoveDirectoryW(entry.path.c_str());
        else
            DeleteFileOrSchedule(entry.path);
    });
    if (RemoveDirectoryW(directory.c_str())) return;
    ShellDeleteTree(directory);
    // Emptied at the restart by the scheduled deletions of its files, which run first.
    if (Paths::Exists(directory)) ScheduleDeleteAtRestart(directory);
}

bool DeleteTreeStrictBelow(const std::wstring& directory) {
    ClearReadOnly(directory);
    bool result = true;
    ForEachEntry(directory, L"*", [&result](const DirEntry& entry) {
        if (entry.IsRealDirectory()) {
            result = DeleteTreeStrictBelow(entry.path) && result;
        } else if (entry.IsDirectory()) {
            result = RemoveDirectoryW(entry.path.c_str()) && result;
        } else {
            ClearReadOnly(entry.path);
            result = DeleteFileW(entry.path.c_str()) && result;
        }
    });
    return RemoveDirectoryW(directory.c_str()) && result;
}

void DeleteByExtensionBelow(const std::wstring& directory, const std::wstring& extension) {
    ForEachEntry(directory, L"*.*", [&extension](const DirEntry& entry) {
        if (entry.IsDirectory()) {
            if (!entry.IsLink()) DeleteByExtensionBelow(entry.path, extension);
            return;
        }
        if (lstrcmpiW(PathFindExtensionW(entry.path.c_str()), extension.c_str()) != 0) return;
        if (DeleteFileW(entry.path.c_str()) || !Paths::Exists(entry.path)) return;
        SetFileAttributesW(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileW(entry.path.c_str())) return;
        std::wstring aside;
        std::wstring scheduled = CutToTemp(entry.path, &aside) ? aside : entry.path;
        ScheduleDeleteAtRestart(scheduled);
        Log(L"delete file:%s by pending:%s", entry.path.c_str(), scheduled.c_str());
    });
}

}  // namespace

bool ScheduleDeleteAtRestart(const std::wstring& path) {
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool DeleteFileOrSchedule(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return true;
    if (!Paths::Exists(path)) return true;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(path.c_str())) return true;
    DWORD error = GetLastError();
    if (!Paths::Exists(path)) return true;  // vanished between the attempts
    Log(L"delete %s failed, error=%d", path.c_str(), static_cast<int>(error));
    ScheduleDeleteAtRestart(path);
    return false;
}

bool DeleteFileOrDirectory(const std::wstring& path) {
    if (DeleteFileW(path.c_str()) || !Paths::Exists(path)) return true;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(path.c_str())) return true;
    return Paths::DirectoryExists(path) && RemoveDirectoryW(path.c_str());
}

void ShellDeleteTree(const std::wstring& path) {
    if (path.empty() || path.size() > kMaxShellSource) return;
    if (IsProtectedDirectory(path)) {
        Log(L"refuse to remove %s", path.c_str());
        return;
    }
    std::wstring source = path;
    source.push_back(L'\0');  // the list ends with a second NUL (the string's own terminator)
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    SHFileOperationW(&operation);
}

bool DeleteOrCollect(const std::wstring& path, UndeletableList& list) {
    if (Paths::DirectoryExists(path)) return DeleteDirectoryOrCollect(path, IsLinkPath(path), list);
    return DeleteFileOrCollect(path, list);
}

bool RemoveTree(const std::wstring& directory) {
    if (!IsUsableTree(directory)) return false;
    if (IsLinkPath(directory))
        RemoveDirectoryW(directory.c_str());
    else
        RemoveTreeBelow(directory);
    return true;
}

bool DeleteTreeStrict(const std::wstring& directory) {
    if (directory.size() < 4 || !Paths::DirectoryExists(directory) || !IsUsableTree(directory)) return false;
    if (IsLinkPath(directory)) return RemoveDirectoryW(directory.c_str()) != FALSE;
    return DeleteTreeStrictBelow(directory);
}

bool DeleteTreeCollect(const std::wstring& directory, UndeletableList& list, const FileProgress& perFile) {
    if (!IsUsableTree(directory)) return false;
    if (IsLinkPath(directory))
        DeleteDirectoryOrCollect(directory, true, list);
    else
        CollectTreeBelow(directory, list, perFile);
    return true;
}

bool DeleteByExtensionOrSchedule(const std::wstring& directory, const std::wstring& extension) {
    if (extension.empty() || !IsUsableTree(directory)) return false;
    DeleteByExtensionBelow(directory, extension);
    return true;
}
