#pragma once
#include <string>

// Directory trees of the setup configuration's temporary files.

// Creates `directory` and any missing parents; true when it exists as a directory afterwards.
bool CreateDirectories(const std::wstring& directory);

// Deletes `directory` with everything below it (read-only files too; links are removed, not followed).
// True when it is gone.
bool RemoveDirectoryTree(const std::wstring& directory);
