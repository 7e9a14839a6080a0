#include "tests/config/config_test_support.h"

#include "base/paths.h"
#include "base/scoped.h"
#include "config/resource_unpack.h"

namespace {

std::wstring GetEnv(const wchar_t* name) {
    wchar_t value[1024];
    DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

void ForEachEntry(const std::wstring& directory, const std::wstring& prefix, bool recurse,
                  std::set<std::wstring>* names) {
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(FindFirstFileW(Paths::Join(directory, L"*").c_str(), &entry));
    if (!find.IsValid()) return;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        bool isDirectory = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (recurse && isDirectory)
            ForEachEntry(Paths::Join(directory, name), prefix + name + L"\\", true, names);
        else
            names->insert(prefix + name);
    } while (FindNextFileW(find.Get(), &entry));
}

}  // namespace

bool LoadSevenZip() { return CResourceUnpack::Load7Zip(Paths::Join(testing_support::BinDir(), L"7z.dll")); }

std::wstring DataFile(const std::wstring& name) {
    return Paths::Join(testing_support::SourceDir(), L"tests\\config\\data\\" + name);
}

PrivateTempDir::PrivateTempDir() : m_oldTmp(GetEnv(L"TMP")), m_oldTemp(GetEnv(L"TEMP")) {
    SetEnvironmentVariableW(L"TMP", m_scratch.Path().c_str());
    SetEnvironmentVariableW(L"TEMP", m_scratch.Path().c_str());
}

PrivateTempDir::~PrivateTempDir() {
    SetEnvironmentVariableW(L"TMP", m_oldTmp.empty() ? nullptr : m_oldTmp.c_str());
    SetEnvironmentVariableW(L"TEMP", m_oldTemp.empty() ? nullptr : m_oldTemp.c_str());
}

std::set<std::wstring> PrivateTempDir::Entries() const {
    std::set<std::wstring> names;
    ForEachEntry(Path(), L"", false, &names);
    return names;
}

std::set<std::wstring> FilesBelow(const std::wstring& directory) {
    std::set<std::wstring> names;
    ForEachEntry(directory, L"", true, &names);
    return names;
}
