#pragma once
#include <string>

// The product's shortcuts outside its installation directory: desktop shortcuts (common and per-user)
// and its folders in the programs menu.

// The desktop shortcut names of both brandings, in the order they are removed.
extern const wchar_t* const kDesktopShortcutNames[3];
// The programs-menu folders of both brandings, relative to a programs menu.
constexpr wchar_t kVantelleProgramsFolder[] = L"Korvelia";
constexpr wchar_t kOrbProgramsFolder[] = L"Orb安全中心\\Orb壁纸";
constexpr wchar_t kOrbProgramsParent[] = L"Orb安全中心";

// The shell folder `csidl` (created when missing); empty when the shell does not know it.
std::wstring ShellFolder(int csidl);

// Removes both brandings' folders from the programs menu `csidl`; with `removeEmptyParent`, also the
// shared parent folder when nothing else is left in it.
void RemoveProgramsFolders(int csidl, bool removeEmptyParent);

// RemoveDesktopShortcuts and RemoveStartMenuFolders (engine/step_families.h) are the engine's steps.
