#include "base/dir_tree.h"

#include <windows.h>

#include "base/paths.h"
#include "base/scoped.h"

bool CreateDirectories(const std::wstring& directory) {
    if (directory.empty()) return false;
    if (Paths::DirectoryExists(directory)) return true;
    std::wstring parent = Paths::ParentDirectory(directory);
    if (!parent.empty() && parent.back() != L':' && !CreateDirectories(parent)) return false;
    return ::CreateDirectoryW(directory.c_str(), nullptr) || Paths::DirectoryExists(directory);
}

bool RemoveDirectoryTree(const std::wstring& directory) {
    if (directory.empty()) return false;
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(::FindFirstFileW(Paths::Join(directory, L"*").c_str(), &entry));
    if (find.IsValid()) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = Paths::Join(directory, name);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                ::SetFileAttributesW(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW(path.c_str());
            else if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                ::RemoveDirectoryW(path.c_str());  // a link: never follow it
            else
                RemoveDirectoryTree(path);
        } while (::FindNextFileW(find.Get(), &entry));
    }
    find.Reset();
    ::SetFileAttributesW(directory.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(directory.c_str());
    return !Paths::Exists(directory);
}
