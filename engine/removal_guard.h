#pragma once
#include <string>

// Limits that keep the removal inside the product, whatever the registry or the command line says.

// True for a directory no removal may start from: a path that is not absolute, a drive or share root,
// the Windows and system directories, the Program Files folders, the profiles folder, the user's
// profile, its data, desktop and documents folders, or the temporary directory itself; also a device
// or volume namespace path. Compared on the full path without regard to case, trailing separators,
// the "\\?\" prefix or short names, and again on the real path when the directory is reached
// through a junction or link.
bool IsProtectedDirectory(const std::wstring& directory);

// Joins a file-list name below `directory`. Refuses (empty result) a name that is absolute, names a
// drive or stream (":"), or leads out of `directory` through "..".
std::wstring JoinInside(const std::wstring& directory, const std::wstring& name);
