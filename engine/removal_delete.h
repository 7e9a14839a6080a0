#pragma once
#include <string>

#include "engine/file_remover.h"

// The collecting deletes shared by the tree walks, for callers that already know what the path is.

// Deletes a file (attributes reset on the second try), logging "DeleteFile:%s suceesss"; collects it
// when it stays. True when it is gone.
bool DeleteFileOrCollect(const std::wstring& path, UndeletableList& list);
// Removes a directory: a link is removed itself, never followed; anything else is removed directly
// when empty and through the shell otherwise. Collects it when it stays. True when it is gone.
bool DeleteDirectoryOrCollect(const std::wstring& path, bool isLink, UndeletableList& list);
// Collecting removal of everything below `directory` (links removed, not followed), then of the
// directory itself; `perFile` runs after each file.
void CollectTreeBelow(const std::wstring& directory, UndeletableList& list, const FileProgress& perFile);
