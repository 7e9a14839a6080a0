#include <gtest/gtest.h>

#include "base/paths.h"
#include "config/resource_unpack.h"
#include "tests/config/config_test_support.h"

namespace {

using namespace test_resources;
using testing_support::ScratchDir;

const wchar_t kType[] = L"SETUPCONFIG";

bool FindSetupResource(CResourceUnpack* resource, UINT id) {
    return resource->LoadFromModule(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), kType);
}

TEST(ResourceUnpackTest, TwoUnpackingsUseTwoFreshDirectoriesAndDropTheArchive) {
    ASSERT_TRUE(LoadSevenZip());
    PrivateTempDir temp;
    CResourceUnpack resource;
    ASSERT_TRUE(FindSetupResource(&resource, kProduct));
    std::wstring first, second;
    ASSERT_TRUE(resource.ExtractToTempDir(&first));
    ASSERT_TRUE(resource.ExtractToTempDir(&second));
    EXPECT_NE(first, second);
    const std::set<std::wstring> files = {L"korvel.zyrprj", L"UninstallRootDirFileList.xml"};
    EXPECT_EQ(FilesBelow(first), files);
    EXPECT_EQ(FilesBelow(second), files);
    // Only the two directories remain in the temporary directory, named "{GUID}.tmp".
    std::set<std::wstring> expected = {Paths::FileName(first), Paths::FileName(second)};
    EXPECT_EQ(temp.Entries(), expected);
    for (const std::wstring& name : expected) {
        EXPECT_EQ(name.size(), 42u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
    }
}

TEST(ResourceUnpackTest, ResourceOf8192BytesIsWrittenAsTwoWholeChunks) {
    ASSERT_TRUE(LoadSevenZip());
    PrivateTempDir temp;
    CResourceUnpack resource;
    ASSERT_TRUE(FindSetupResource(&resource, kSized8192));
    HRSRC raw = FindResourceW(nullptr, MAKEINTRESOURCEW(kSized8192), kType);
    ASSERT_EQ(SizeofResource(nullptr, raw), 8192u);

    std::wstring copy = Paths::Join(temp.Path(), L"copy.7z");
    ASSERT_TRUE(resource.WriteToFile(copy));
    std::string bytes = testing_support::ReadFileBytes(copy);
    EXPECT_EQ(bytes, std::string(static_cast<const char*>(LockResource(LoadResource(nullptr, raw))), 8192));
    EXPECT_FALSE(resource.WriteToFile(copy)) << "an existing file is not overwritten";

    std::wstring dir;
    ASSERT_TRUE(resource.ExtractToTempDir(&dir));
    EXPECT_EQ(FilesBelow(dir), (std::set<std::wstring>{L"cases.zyrprj", L"padding.bin", L"roots.xml"}));
}

// Each case fails without a crash and leaves nothing in the temporary directory.
TEST(ResourceUnpackTest, BrokenResourcesFailAndLeaveNothingBehind) {
    ASSERT_TRUE(LoadSevenZip());
    const struct {
        UINT id;
        const char* what;
    } cases[] = {{kEmpty, "0 bytes"}, {kCorrupt, "corrupt packed data"}, {kPlainXml, "not an archive"},
                 {kDotDot, "entry climbing out"}, {kAbsolute, "absolute entry"}};
    for (const auto& c : cases) {
        PrivateTempDir temp;
        CResourceUnpack resource;
        ASSERT_TRUE(FindSetupResource(&resource, c.id)) << c.what;
        std::wstring dir = L"unchanged";
        EXPECT_FALSE(resource.ExtractToTempDir(&dir)) << c.what;
        EXPECT_EQ(dir, L"unchanged") << c.what;
        EXPECT_TRUE(temp.Entries().empty()) << c.what;
    }
    CResourceUnpack missing;
    EXPECT_FALSE(FindSetupResource(&missing, 999));
}

TEST(ResourceUnpackTest, EntriesOutsideTheDestinationAreNeverWritten) {
    ASSERT_TRUE(LoadSevenZip());
    ScratchDir scratch;
    const std::wstring dest = scratch / L"a\\b\\dest";  // "..\..\evil.txt" would land in "a"
    CResourceUnpack dotdot;
    ASSERT_TRUE(FindSetupResource(&dotdot, kDotDot));
    ASSERT_TRUE(dotdot.WriteToFile(scratch / L"dotdot.7z"));
    EXPECT_EQ(CResourceUnpack::ExtractArchive(scratch / L"dotdot.7z", dest), -1);
    EXPECT_EQ(FilesBelow(scratch.Path()), (std::set<std::wstring>{L"dotdot.7z"}))
        << "nothing but the archive, at any depth";

    CResourceUnpack absolute;
    ASSERT_TRUE(FindSetupResource(&absolute, kAbsolute));
    ASSERT_TRUE(absolute.WriteToFile(scratch / L"absolute.7z"));
    ASSERT_FALSE(Paths::Exists(KORVEL_ABSOLUTE_ENTRY_TARGET)) << "removed when the archive was made";
    EXPECT_EQ(CResourceUnpack::ExtractArchive(scratch / L"absolute.7z", dest), -1);
    EXPECT_FALSE(Paths::Exists(KORVEL_ABSOLUTE_ENTRY_TARGET));
}

TEST(ResourceUnpackTest, ExtractArchiveCreatesTheDestinationAndFailsOnMissingArchive) {
    ASSERT_TRUE(LoadSevenZip());
    ScratchDir scratch;
    CResourceUnpack resource;
    ASSERT_TRUE(FindSetupResource(&resource, kCases));
    ASSERT_TRUE(resource.WriteToFile(scratch / L"cases.7z"));
    EXPECT_EQ(CResourceUnpack::ExtractArchive(scratch / L"cases.7z", scratch / L"new\\nested"), 0);
    EXPECT_TRUE(Paths::FileExists(scratch / L"new\\nested\\roots.xml"));
    EXPECT_EQ(CResourceUnpack::ExtractArchive(scratch / L"absent.7z", scratch / L"other"), -1);
}

}  // namespace
