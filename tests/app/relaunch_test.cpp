#include <gtest/gtest.h>

#include "app/caller_token.h"
#include "app/relaunch.h"
#include "base/cipher.h"

namespace {

TEST(RelaunchTest, ParentNameDropsDirectoryAndExtension) {
    struct {
        const wchar_t* path;
        const wchar_t* ex1;
    } cases[] = {
        {L"C:\\Windows\\explorer.exe", L"explorer"},
        {L"C:\\tools\\runner", L""},            // no extension
        {L"explorer.exe", L""},                 // no backslash
        {L"", L""},
        {L"C:\\a.b\\setup.v2.exe", L"setup.v2"},  // only the last dot counts
    };
    for (const auto& c : cases) EXPECT_EQ(ParentNameWithoutExtension(c.path), c.ex1) << c.path;
}

TEST(RelaunchTest, ChildCommandLineHasTwoBlanksBeforeEachSwitch) {
    EXPECT_EQ(BuildChildCommandLine(L"/S", true, L"tok=="), L"/S  /READYUNINSTALL  /CHK=tok==");
    EXPECT_EQ(BuildChildCommandLine(L"", false, L"ignored"), L"  /READYUNINSTALL");
    EXPECT_EQ(BuildChildCommandLine(L"/X", false, L""), L"/X  /READYUNINSTALL");
}

TEST(CallerTokenTest, OnlyATokenMadeUnderThisMachinesIdentifierIsValid) {
    std::wstring token = MakeCallerToken();
    ASSERT_FALSE(token.empty());
    EXPECT_TRUE(IsValidCallerToken(token));
    EXPECT_FALSE(IsValidCallerToken(EncryptText(L"nhifsni", L"another machine")));
    EXPECT_FALSE(IsValidCallerToken(L""));
    EXPECT_FALSE(IsValidCallerToken(L"not base64 at all"));
}

}  // namespace
