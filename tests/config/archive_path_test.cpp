#include <gtest/gtest.h>

#include "config/archive_path.h"

namespace {

TEST(ArchivePathTest, RelativeEntriesStayBelowTheDestination) {
    const struct {
        const wchar_t* stored;
        const wchar_t* expected;
    } cases[] = {
        {L"korvel.zyrprj", L"korvel.zyrprj"},
        {L"Utils/sub/a.dll", L"Utils\\sub\\a.dll"},
        {L"Utils\\sub\\", L"Utils\\sub"},
        {L"./a//b/./c.txt", L"a\\b\\c.txt"},
        {L"..name", L"..name"},
        {L"a/..b/c", L"a\\..b\\c"},
    };
    for (const auto& c : cases) {
        std::wstring relative;
        EXPECT_TRUE(ResolveEntryPath(c.stored, &relative)) << c.stored;
        EXPECT_EQ(relative, c.expected) << c.stored;
    }
}

TEST(ArchivePathTest, AbsoluteDriveStreamAndParentEntriesAreRefused) {
    const wchar_t* refused[] = {
        L"",           L".",          L"./",         L"/etc/passwd", L"\\Windows\\evil.dll", L"\\\\server\\share\\x",
        L"C:\\x.txt",  L"C:x.txt",    L"a:stream",   L"..",          L"../../evil.txt",      L"..\\..\\evil.txt",
        L"a\\..\\b",   L"a/../../b",  L"a\\...\\b",  L"a\\.. \\b",   L"a\\ \\b",
    };
    for (const wchar_t* stored : refused) {
        std::wstring relative = L"unchanged";
        EXPECT_FALSE(ResolveEntryPath(stored, &relative)) << stored;
        EXPECT_EQ(relative, L"unchanged") << stored;
    }
}

}  // namespace
