#pragma once
#include <string>

// Plain directory-tree helpers without fallbacks, for the program's own temporary files (the product's
// removal, with its fallbacks and guards, is engine/file_remover.h).

// Creates `directory` and any missing parents; true when it exists as a directory afterwards.
bool CreateDirectories(const std::wstring& directory);

// Deletes `directory` with everything below it (read-only files too; links are removed, not followed).
// True when it is gone.
bool RemoveDirectoryTree(const std::wstring& directory);
