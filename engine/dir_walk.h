#pragma once
#include <windows.h>

#include <string>

#include "base/paths.h"
#include "base/scoped.h"

// One entry of a directory listing, "." and ".." left out.
struct DirEntry {
    std::wstring path;
    const WIN32_FIND_DATAW& data;

    bool IsDirectory() const { return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // A junction or symbolic link: removed itself, never followed, so that nothing outside is reached.
    bool IsLink() const { return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    // A directory whose contents belong to it (not a link to somewhere else).
    bool IsRealDirectory() const { return IsDirectory() && !IsLink(); }
};

// Calls `visit(const DirEntry&)` for each entry of `directory` matching `pattern`. The listing is
// closed before the directory itself is removed by the caller.
template <typename Visit>
void ForEachEntry(const std::wstring& directory, const wchar_t* pattern, Visit visit) {
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW(Paths::Join(directory, pattern).c_str(), &data));
    if (!find.IsValid()) return;
    do {
        if (lstrcmpW(data.cFileName, L".") == 0 || lstrcmpW(data.cFileName, L"..") == 0) continue;
        visit(DirEntry{Paths::Join(directory, data.cFileName), data});
    } while (FindNextFileW(find.Get(), &data));
}
