#include <gtest/gtest.h>

#include "app/command_parser.h"
#include "app/startup.h"

namespace {

// Only a silent relaunched run needs the caller token; every other combination is legal without it.
TEST(LegalCallTest, OnlySilentRelaunchedRunsNeedAToken) {
    struct {
        const wchar_t* tail;
        bool legal;
    } cases[] = {
        {L"", true},
        {L"/S", true},                              // first start, silent
        {L"/READYUNINSTALL", true},                 // relaunched, interactive
        {L"/READYUNINSTALL /K", true},
        {L"/READYUNINSTALL /S", false},             // no token
        {L"/readyuninstall /z /CHK=", false},       // empty token
        {L"/READYUNINSTALL /S /CHK=AAAAAAAAAAA=", false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(CommandLine()->Parse(c.tail));
        EXPECT_EQ(CheckLegalCall(), c.legal) << c.tail;
    }
}

TEST(LegalCallTest, StartupErrorTexts) {
    EXPECT_STREQ(GetStartupErrorText(2), L"卸载程序已被破坏，请重新下载安装后再进行卸载");
    EXPECT_STREQ(GetStartupErrorText(3), L"7z.dll文件破坏，请重新下载安装后进行卸载");
    EXPECT_STREQ(GetStartupErrorText(0), L"");
    EXPECT_STREQ(GetStartupErrorText(1), L"");
}

}  // namespace
