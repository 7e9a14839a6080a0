#pragma once
#include <windows.h>

#include <map>
#include <string>

// One top-level entry of the installation directory that belongs to the product.
struct RootDirItem {
    wchar_t name[MAX_PATH];  // as written in the list
    int isDirectory;         // 1 for entries of "Dir", 0 for entries of "File"
    int optional;
};

// The product's own entries at the top of the installation directory ("RootDirFiles" XML document),
// looked up without regard to case. Operations in a fixed slot order.
class IUninstallRootDirList {
public:
    // Loads the list from a resource of `instance` (written to a temporary file first).
    virtual bool LoadFromResource(HMODULE instance, const wchar_t* name, const wchar_t* type) = 0;
    // Replaces the entries with those of the document at `path`; false (entries kept) when it cannot be opened.
    virtual bool Load(const std::wstring& path) = 0;
    virtual size_t GetCount() const = 0;
    // Entries are counted in the order of their upper-cased names; false outside the list.
    virtual bool GetItem(size_t index, RootDirItem* item) const = 0;
    // Erases the entry of that name when present; true for any non-null name.
    virtual bool Remove(const wchar_t* name) = 0;
    virtual bool Contains(const wchar_t* name) const = 0;

protected:
    ~IUninstallRootDirList() = default;
};

class CUninstallRootDirList : public IUninstallRootDirList {
public:
    CUninstallRootDirList() = default;
    virtual ~CUninstallRootDirList() = default;
    CUninstallRootDirList(const CUninstallRootDirList&) = delete;
    CUninstallRootDirList& operator=(const CUninstallRootDirList&) = delete;

    bool LoadFromResource(HMODULE instance, const wchar_t* name, const wchar_t* type) override;
    bool Load(const std::wstring& path) override;
    size_t GetCount() const override { return m_entries.size(); }
    bool GetItem(size_t index, RootDirItem* item) const override;
    bool Remove(const wchar_t* name) override;
    bool Contains(const wchar_t* name) const override;

private:
    struct Entry {
        std::wstring name;
        int isDirectory;
        int optional;
    };
    std::map<std::wstring, Entry> m_entries;  // keyed by the upper-cased name
};
