#include "engine/shortcut_removal.h"

#include <windows.h>
#include <shlobj.h>

#include "base/paths.h"
#include "engine/file_remover.h"
#include "engine/step_families.h"

const wchar_t* const kDesktopShortcutNames[3] = {L"Orb壁纸.lnk", L"Korvelia.lnk", L"KorveliaLite.lnk"};

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[1024] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE)) return std::wstring();
    return buffer;
}

void RemoveProgramsFolders(int csidl, bool removeEmptyParent) {
    const std::wstring programs = ShellFolder(csidl);
    if (programs.empty()) return;
    for (const wchar_t* folder : {kVantelleProgramsFolder, kOrbProgramsFolder}) {
        const std::wstring path = Paths::Join(programs, folder);
        if (Paths::DirectoryExists(path)) RemoveTree(path);
    }
    if (removeEmptyParent) RemoveDirectoryW(Paths::Join(programs, kOrbProgramsParent).c_str());
}

void RemoveDesktopShortcuts() {
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        const std::wstring desktop = ShellFolder(csidl);
        if (desktop.empty()) continue;
        for (const wchar_t* name : kDesktopShortcutNames) {
            const std::wstring path = Paths::Join(desktop, name);
            if (Paths::FileExists(path)) DeleteFileOrSchedule(path);
        }
    }
}

void RemoveStartMenuFolders() { RemoveProgramsFolders(CSIDL_COMMON_PROGRAMS, false); }
