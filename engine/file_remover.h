#pragma once
#include <functional>
#include <string>
#include <vector>

class IUninstallRootDirList;

// Every way the engine gets rid of files and directories, with the fallbacks for what Windows keeps
// locked: attributes reset, deletion through the shell, moving aside under a fresh name, deletion at
// the next restart, and a batch file run at the next logon. Paths are full paths of at most MAX_PATH
// characters; nothing here asks the user anything. Tree operations refuse a directory that
// IsProtectedDirectory (engine/removal_guard.h) names, with a log line.

// Full paths the removal could not delete now, in the order of the failures; the run-once step
// (WriteRunOnceBatch) moves them aside or schedules them, then empties the list.
using UndeletableList = std::vector<std::wstring>;
// Run after each file the removal has handled, deleted or not (the engine advances its progress).
using FileProgress = std::function<void()>;
// Asks Windows to delete a path at the next restart; true when the request was recorded.
using RestartScheduler = std::function<bool(const std::wstring& path)>;

// --- One path ---------------------------------------------------------------------------------

// Deletes a file now (attributes reset on the second try) or schedules it for the next restart.
// True when the file is gone; false when it had to be scheduled.
bool DeleteFileOrSchedule(const std::wstring& path);
// Deletes a file, or an empty directory; true when the path is gone by this call or was missing.
bool DeleteFileOrDirectory(const std::wstring& path);
// Deletes a directory tree through the shell, silently, without the recycle bin; no result.
void ShellDeleteTree(const std::wstring& path);
// Deletes a file or a directory tree; appends the path to `list` when it still exists. True when gone.
bool DeleteOrCollect(const std::wstring& path, UndeletableList& list);
// Moves a file or directory aside (the temporary directory on the Windows drive, a hidden "X:\.temp"
// on another drive) under a fresh "{GUID}.tmp" name; `newPath` receives the new full path.
bool CutToTemp(const std::wstring& path, std::wstring* newPath);
// MoveFileExW(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT).
bool ScheduleDeleteAtRestart(const std::wstring& path);

// --- Trees ------------------------------------------------------------------------------------

// Recursive removal that schedules locked files for the restart (caches, user data, start-menu
// folders, the program's own temporary directory at exit). False for an unusable directory.
bool RemoveTree(const std::wstring& directory);
// Recursive removal without fallbacks; true only when everything, the directory included, is gone.
bool DeleteTreeStrict(const std::wstring& directory);
// Recursive removal that appends what stays to `list`; `perFile` (optional) runs after each file.
bool DeleteTreeCollect(const std::wstring& directory, UndeletableList& list, const FileProgress& perFile = nullptr);
// Removes every file with `extension` (".tmp") below the directory; what is locked is moved aside
// and scheduled for the restart.
bool DeleteByExtensionOrSchedule(const std::wstring& directory, const std::wstring& extension);

// --- The installation directory ---------------------------------------------------------------

// Only the top-level entries of the installation directory that `rootList` names (case-insensitive)
// or that carry an accepted signature belong to the product; everything below a kept directory does.
// A null `rootList` keeps only signed files. Other entries are logged "File NOT exists in xml: %s".

// Sets `count` to the number of files DeleteInstallDirFiles will handle; false (count untouched) for
// an unusable or protected directory.
bool CountInstallDirFiles(const std::wstring& directory, const IUninstallRootDirList* rootList, int* count);
// Deletes the product's entries, collecting what stays into `list`; `perFile` runs after each file
// handled below a kept directory and after each deleted top-level file. Then removes the directory
// itself when it is empty.
void DeleteInstallDirFiles(const std::wstring& directory, const IUninstallRootDirList* rootList, UndeletableList& list,
                           const FileProgress& perFile);
// Deletes the entries that the value names of HKLM\`subKey` name below `directory` (the values
// themselves are left alone). A name that is absolute or leads outside the directory is refused.
void DeleteRegistryListedFiles(const std::wstring& directory, const std::wstring& subKey, UndeletableList& list);

// --- What could not be deleted ----------------------------------------------------------------

// Moves every entry of `list` aside and schedules it for the restart (`schedule`); what cannot be
// scheduled goes into a batch file that HKLM RunOnce runs at the next logon. Schedules the
// installation drive's ".temp" directory, empties `list` and removes `installDir` when it is empty.
bool WriteRunOnceBatch(UndeletableList& list, const std::wstring& installDir,
                       const RestartScheduler& schedule = ScheduleDeleteAtRestart);
