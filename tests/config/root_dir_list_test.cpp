#include <gtest/gtest.h>

#include <vector>

#include "config/root_dir_list.h"
#include "tests/config/config_test_support.h"

namespace {

using namespace test_resources;

struct Entry {
    std::wstring name;
    int isDirectory;
    int optional;
    bool operator==(const Entry& other) const {
        return name == other.name && isDirectory == other.isDirectory && optional == other.optional;
    }
};

std::ostream& operator<<(std::ostream& out, const Entry& e) {
    return out << testing::PrintToString(e.name) << "/" << e.isDirectory << "/" << e.optional;
}

std::vector<Entry> Entries(const IUninstallRootDirList& list) {
    std::vector<Entry> entries;
    RootDirItem item;
    for (size_t i = 0; list.GetItem(i, &item); ++i) entries.push_back({item.name, item.isDirectory, item.optional});
    EXPECT_EQ(entries.size(), list.GetCount());
    return entries;
}

// In the order of the upper-cased names; "Shared" is both a Dir and a File and keeps the File.
const std::vector<Entry> kRoots = {
    {L"", 0, 2}, {L"config.set", 0, 16}, {L"Plugins", 1, 1}, {L"qalmex.exe", 0, 0}, {L"shared", 0, 7}, {L"Utils", 1, 0},
};

TEST(RootDirListTest, LoadsBothListsInKeyOrder) {
    CUninstallRootDirList list;
    ASSERT_TRUE(list.Load(DataFile(L"roots.xml")));
    EXPECT_EQ(Entries(list), kRoots);
    RootDirItem item;
    EXPECT_FALSE(list.GetItem(list.GetCount(), &item));
    EXPECT_FALSE(list.GetItem(0, nullptr));
}

TEST(RootDirListTest, LookupsIgnoreCase) {
    CUninstallRootDirList list;
    ASSERT_TRUE(list.Load(DataFile(L"roots.xml")));
    for (const wchar_t* name : {L"Utils", L"UTILS", L"utils", L"QALMEX.exe"}) EXPECT_TRUE(list.Contains(name)) << name;
    EXPECT_FALSE(list.Contains(L"Util"));
    EXPECT_FALSE(list.Contains(nullptr));

    EXPECT_TRUE(list.Remove(L"absent.dll"));
    EXPECT_EQ(list.GetCount(), kRoots.size());
    EXPECT_TRUE(list.Remove(L"PLUGINS"));
    EXPECT_FALSE(list.Contains(L"Plugins"));
    EXPECT_EQ(list.GetCount(), kRoots.size() - 1);
    EXPECT_FALSE(list.Remove(nullptr));
}

TEST(RootDirListTest, ANewListReplacesAndAFailedOneKeeps) {
    CUninstallRootDirList list;
    ASSERT_TRUE(list.Load(DataFile(L"roots.xml")));
    EXPECT_FALSE(list.Load(DataFile(L"broken_roots.xml")));
    EXPECT_FALSE(list.Load(DataFile(L"absent.xml")));
    EXPECT_EQ(Entries(list), kRoots);
    ASSERT_TRUE(list.Load(DataFile(L"roots_other.xml")));
    EXPECT_EQ(Entries(list), (std::vector<Entry>{{L"other.exe", 0, 0}}));
}

TEST(RootDirListTest, LoadsFromAResourceAndLeavesNoTemporaryFile) {
    PrivateTempDir temp;
    CUninstallRootDirList list;
    HMODULE self = GetModuleHandleW(nullptr);
    ASSERT_TRUE(list.LoadFromResource(self, MAKEINTRESOURCEW(kPlainXml), L"SETUPCONFIG"));
    EXPECT_EQ(Entries(list), kRoots);
    EXPECT_FALSE(list.LoadFromResource(self, MAKEINTRESOURCEW(999), L"SETUPCONFIG"));
    EXPECT_FALSE(list.LoadFromResource(self, MAKEINTRESOURCEW(kCases), L"SETUPCONFIG")) << "an archive is no list";
    EXPECT_EQ(Entries(list), kRoots);
    ASSERT_TRUE(list.LoadFromResource(self, MAKEINTRESOURCEW(kOtherXml), L"SETUPCONFIG"));
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_TRUE(temp.Entries().empty());
}

}  // namespace
