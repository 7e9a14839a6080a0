#include "tools/installer/product_installer.h"

#include <windows.h>
#include <shlobj.h>

#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"

namespace {

bool EnsureDirectory(const std::wstring& dir) {
    if (Paths::DirectoryExists(dir)) return true;
    int rc = SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    ScopedHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool PlaceFile(const std::wstring& root, const Layout::FileEntry& entry, std::vector<std::wstring>* failures) {
    const std::wstring target = Paths::Join(root, entry.target);
    if (!EnsureDirectory(Paths::ParentDirectory(target))) {
        failures->push_back(L"cannot create the directory of " + target);
        return false;
    }
    if (!entry.source.empty()) {
        if (!Paths::FileExists(entry.source)) {
            failures->push_back(L"missing source file " + entry.source);
            return false;
        }
        if (!CopyFileW(entry.source.c_str(), target.c_str(), FALSE)) {
            failures->push_back(L"cannot copy " + entry.source + L" to " + target + L", error " +
                                std::to_wstring(GetLastError()));
            return false;
        }
        return true;
    }
    if (!WriteBytes(target, entry.content)) {
        failures->push_back(L"cannot write " + target + L", error " + std::to_wstring(GetLastError()));
        return false;
    }
    return true;
}

HKEY RootHandle(Layout::Root root) {
    switch (root) {
        case Layout::Root::CurrentUser:
            return HKEY_CURRENT_USER;
        case Layout::Root::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case Layout::Root::LocalMachine:
            break;
    }
    return HKEY_LOCAL_MACHINE;
}

void PlaceFiles(const std::wstring& root, const std::vector<Layout::FileEntry>& files, InstallSummary* summary,
                std::vector<std::wstring>* failures) {
    for (const Layout::FileEntry& entry : files)
        if (PlaceFile(root, entry, failures)) ++summary->files;
}

}  // namespace

bool InstallProduct(const Layout::ProductLayout& layout, InstallSummary* summary, std::vector<std::wstring>* failures) {
    const size_t failuresBefore = failures->size();
    if (!EnsureDirectory(layout.installDir)) {
        failures->push_back(L"cannot create the installation directory " + layout.installDir);
        return false;
    }
    PlaceFiles(layout.installDir, layout.productFiles, summary, failures);
    PlaceFiles(layout.installDir, layout.foreignFiles, summary, failures);
    if (EnsureDirectory(layout.userDataDir))
        PlaceFiles(layout.userDataDir, layout.userFiles, summary, failures);
    else
        failures->push_back(L"cannot create the per-user data directory " + layout.userDataDir);

    for (const Layout::RegistryKey& key : layout.registry) {
        for (const Layout::RegistryValue& value : key.values) {
            if (Registry::WriteString(RootHandle(key.root), key.path, value.name, value.data))
                ++summary->registryValues;
            else
                failures->push_back(L"cannot write the registry value \"" + value.name + L"\" of " + key.path);
        }
    }
    return failures->size() == failuresBefore;
}
