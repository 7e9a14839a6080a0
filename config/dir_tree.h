#pragma once
#include <string>

// Fresh names and directory trees for the temporary files of the setup configuration.

// A path "<temp>\{GUID}.tmp" (GetTempPathW) of which nothing exists yet; at most 10 GUIDs are tried.
bool MakeFreshTempPath(std::wstring* path);

// Creates `directory` and any missing parents; true when it exists as a directory afterwards.
bool CreateDirectories(const std::wstring& directory);

// Deletes `directory` with everything below it (read-only files too; links are removed, not followed).
// True when it is gone.
bool RemoveDirectoryTree(const std::wstring& directory);
