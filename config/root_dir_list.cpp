#include "config/root_dir_list.h"

#include <cwctype>
#include <iterator>

#include "base/paths.h"
#include "config/resource_unpack.h"
#include "config/xml_archive.h"

namespace {

// Upper case by the runtime locale, as the product's own lists were keyed.
std::wstring UpperCase(const wchar_t* text) {
    std::wstring upper = text;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    return upper;
}

}  // namespace

bool CUninstallRootDirList::LoadFromResource(HMODULE instance, const wchar_t* name, const wchar_t* type) {
    CResourceUnpack resource;
    if (!resource.LoadFromModule(instance, name, type)) return false;
    std::wstring path = Paths::NewGuidTempName(Paths::TempDirectory());
    if (path.empty() || !resource.WriteToFile(path)) return false;
    bool loaded = Load(path);
    ::DeleteFileW(path.c_str());
    return loaded;
}

bool CUninstallRootDirList::Load(const std::wstring& path) {
    CXMLArchive document;
    if (!document.Open(path)) return false;
    m_entries.clear();
    // Files after directories: a name in both lists keeps its file entry.
    const std::pair<const wchar_t*, int> sections[] = {{L"RootDirFiles/Dir", 1}, {L"RootDirFiles/File", 0}};
    for (const auto& [section, isDirectory] : sections) {
        CXMLArchiveItemList items = document.SelectSingle(section).SelectList(L"Item");
        for (size_t i = 0; i < items.Count(); ++i) {
            CXMLArchiveItem item = items.Item(i);
            Entry entry{L"", isDirectory, 0};
            item.GetText(L"Name", &entry.name, L"");
            item.GetInt(L"optional", &entry.optional, 0);
            if (entry.name.size() >= MAX_PATH) continue;  // does not fit the record
            m_entries[UpperCase(entry.name.c_str())] = std::move(entry);
        }
    }
    return true;
}

bool CUninstallRootDirList::GetItem(size_t index, RootDirItem* item) const {
    if (!item || index >= m_entries.size()) return false;
    const Entry& entry = std::next(m_entries.begin(), index)->second;
    *item = {};
    entry.name.copy(item->name, MAX_PATH - 1);
    item->isDirectory = entry.isDirectory;
    item->optional = entry.optional;
    return true;
}

bool CUninstallRootDirList::Remove(const wchar_t* name) {
    if (!name) return false;
    m_entries.erase(UpperCase(name));
    return true;
}

bool CUninstallRootDirList::Contains(const wchar_t* name) const {
    return name && m_entries.count(UpperCase(name)) != 0;
}
