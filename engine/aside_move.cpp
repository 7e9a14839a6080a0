// Moving a locked file or directory out of the way under a fresh name, so that its old place can be
// freed now and the renamed copy deleted at the restart.
#include <windows.h>
#include <shlobj.h>
#include <wctype.h>

#include "base/log.h"
#include "base/paths.h"
#include "engine/file_remover.h"

namespace {

bool HasDriveLetter(const std::wstring& path) { return path.size() >= 2 && iswalpha(path[0]) && path[1] == L':'; }

// The temporary directory when `path` is on the Windows drive (a rename there never copies data);
// otherwise "X:\.temp" on the path's own drive, created when missing and hidden. Empty for a path
// without a drive letter (a share), which has no place of its own to move to.
std::wstring AsideDirectoryFor(const std::wstring& path) {
    if (!HasDriveLetter(path)) return std::wstring();
    wchar_t windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH) && towupper(windows[0]) == towupper(path[0]))
        return Paths::TempDirectory();
    wchar_t aside[] = L"?:\\.temp";
    aside[0] = path[0];
    if (!Paths::DirectoryExists(aside)) SHCreateDirectory(nullptr, aside);
    SetFileAttributesW(aside, FILE_ATTRIBUTE_HIDDEN);
    return aside;
}

}  // namespace

bool CutToTemp(const std::wstring& path, std::wstring* newPath) {
    if (path.empty() || !Paths::Exists(path)) return false;
    std::wstring asideDir = AsideDirectoryFor(path);
    std::wstring trial;
    if (!asideDir.empty() && asideDir.size() <= MAX_PATH) trial = Paths::NewGuidTempName(asideDir);
    if (!MoveFileW(path.c_str(), trial.c_str())) {
        Log(L"move %s to %s, failed, error=%d", path.c_str(), trial.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    // A move across volumes copies; when the original could not be deleted, the copy is not needed.
    if (Paths::Exists(path)) {
        DeleteFileOrSchedule(trial);
        return false;
    }
    if (newPath) *newPath = trial;
    return true;
}
