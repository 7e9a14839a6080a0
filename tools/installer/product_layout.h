#pragma once
#include <string>
#include <vector>

#include "tools/installer/install_options.h"

// What an installation of Korvelia puts on the machine, as data. Relative paths are relative to their
// root (the installation directory or the per-user data folder); directories are created as needed.
namespace Layout {

// Where a file comes from: a built program (copied) or text written by the installer.
struct FileEntry {
    std::wstring target;  // relative path
    std::wstring source;  // full path of the file to copy; empty for written files
    std::string content;  // bytes of a written file
};

// One value of a registry key: REG_SZ `data` under `name` (empty name: the key's default value).
struct RegistryValue {
    std::wstring name;
    std::wstring data;
};

enum class Root { LocalMachine, CurrentUser, ClassesRoot };

struct RegistryKey {
    Root root;
    std::wstring path;
    std::vector<RegistryValue> values;
};

struct ProductLayout {
    std::wstring installDir;
    std::vector<FileEntry> productFiles;  // the product's own files in the installation directory
    std::vector<FileEntry> foreignFiles;  // entries that are not the product's and must survive an uninstall
    std::wstring userDataDir;             // the per-user data directory
    std::vector<FileEntry> userFiles;     // files below it (the browser cache among them)
    std::vector<RegistryKey> registry;    // written in order; HKLM keys in the 32-bit view
};

// The relative names of the product's registry file lists, for tests and reports.
extern const wchar_t kFileListKey[];
extern const wchar_t kFilePeKey[];

// The layout for these options; the per-user data directory lies below `appDataDir`.
ProductLayout MakeProductLayout(const InstallOptions& options, const std::wstring& appDataDir);

}  // namespace Layout
