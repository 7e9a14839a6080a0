#include <gtest/gtest.h>

#include "base/paths.h"
#include "config/resource_unpack.h"
#include "tests/config/config_test_support.h"

// The 7-Zip library binding is process-wide, so its failures are tested in a program of their own
// that loads no library before this test.
namespace {

using namespace test_resources;
using testing_support::ScratchDir;

TEST(SevenZipLibraryTest, Load7ZipFailsCleanlyOnMissingOrBrokenLibrary) {
    ScratchDir scratch;
    EXPECT_FALSE(CResourceUnpack::Load7Zip(scratch / L"7z.dll")) << "missing";
    ASSERT_TRUE(testing_support::WriteFileBytes(scratch / L"7z.dll", std::string(4096, 'M')));
    EXPECT_FALSE(CResourceUnpack::Load7Zip(scratch / L"7z.dll")) << "not a library";
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_FALSE(CResourceUnpack::Load7Zip(Paths::Join(system, L"version.dll"))) << "a library without CreateObject";

    PrivateTempDir temp;
    CResourceUnpack resource;
    ASSERT_TRUE(resource.LoadFromModule(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kCases), L"SETUPCONFIG"));
    std::wstring dir;
    EXPECT_FALSE(resource.ExtractToTempDir(&dir)) << "no library, no extraction";
    EXPECT_TRUE(temp.Entries().empty());

    ASSERT_TRUE(LoadSevenZip());
    EXPECT_TRUE(CResourceUnpack::Load7Zip(scratch / L"7z.dll")) << "already loaded: the path is not looked at";
    ASSERT_TRUE(resource.ExtractToTempDir(&dir));
    EXPECT_TRUE(Paths::FileExists(Paths::Join(dir, L"cases.zyrprj")));
}

}  // namespace
