#include <gtest/gtest.h>

#include "base/registry.h"
#include "tests/harness/testing.h"

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\KorvelTests\\View";

// The 32-bit program writes HKLM\SOFTWARE through the 32-bit view; the 64-bit build must land there too.
TEST(RegistryTest, HklmValuesLandInThe32BitView) {
    testing_support::ScopedRegistryTree tree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\KorvelTests");
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kKey, L"path", L"C:\\Korvelia"));

    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\KorvelTests\\View", 0,
                            KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw),
              ERROR_SUCCESS);
    RegCloseKey(raw);
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw), ERROR_SUCCESS);

    std::wstring value;
    EXPECT_TRUE(Registry::ReadString(HKEY_LOCAL_MACHINE, kKey, L"path", &value));
    EXPECT_EQ(value, L"C:\\Korvelia");
    EXPECT_FALSE(Registry::ReadString(HKEY_LOCAL_MACHINE, kKey, L"path", &value, 5)) << "longer than the limit";
    EXPECT_FALSE(Registry::KeyExists(HKEY_LOCAL_MACHINE, kKey, Registry::RegView::Native64));
}

TEST(RegistryTest, DeleteTreeRemovesNestedKeysAndToleratesAbsence) {
    testing_support::ScopedRegistryTree tree(HKEY_CURRENT_USER, L"Software\\KorvelTests");
    ASSERT_TRUE(Registry::WriteDword(HKEY_CURRENT_USER, L"Software\\KorvelTests\\a\\b", L"n", 7));
    DWORD n = 0;
    EXPECT_TRUE(Registry::ReadDword(HKEY_CURRENT_USER, L"Software\\KorvelTests\\a\\b", L"n", &n));
    EXPECT_EQ(n, 7u);
    EXPECT_TRUE(Registry::DeleteTree(HKEY_CURRENT_USER, L"Software\\KorvelTests\\a"));
    EXPECT_FALSE(Registry::KeyExists(HKEY_CURRENT_USER, L"Software\\KorvelTests\\a"));
    EXPECT_TRUE(Registry::DeleteTree(HKEY_CURRENT_USER, L"Software\\KorvelTests\\a"));
}

}  // namespace
