#include <gtest/gtest.h>

#include <regex>

#include "base/paths.h"
#include "tests/harness/testing.h"

namespace {

std::wstring UninstallerPath() { return Paths::Join(testing_support::BinDir(), L"Uninstall.exe"); }
std::wstring LogPath() { return Paths::TempDirectory() + L"korvel_uninst.log"; }

// Runs the built uninstaller with `arguments`; true when it exited with code 0 in time.
bool RunUninstaller(const std::wstring& arguments) {
    DWORD code = 1;
    bool ended = testing_support::RunChild(L"\"" + UninstallerPath() + L"\" " + arguments, 30000, &code);
    return ended && code == 0;
}

TEST(StartupE2ETest, SilentRelaunchWithoutTokenLogsIllegalCallOnly) {
    DeleteFileW(LogPath().c_str());
    ASSERT_TRUE(RunUninstaller(L"/READYUNINSTALL /S"));

    std::string log = testing_support::ReadFileBytes(LogPath());
    // Header once (its own "\r\n" written in text mode as CR CR LF), then the single line, CR LF ends.
    const std::regex expected(
        "\r\r\n================== Start Log:\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ==================\r\n"
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d illegal call\r\n");
    EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST(StartupE2ETest, SilentRelaunchWithWrongTokenIsIllegal) {
    DeleteFileW(LogPath().c_str());
    ASSERT_TRUE(RunUninstaller(L"/READYUNINSTALL /Z /CHK=bm90LWEtdG9rZW4="));
    EXPECT_NE(testing_support::ReadFileBytes(LogPath()).find("illegal call\r\n"), std::string::npos);
}

TEST(StartupE2ETest, SilentRelaunchWithEmptyTokenIsIllegal) {
    DeleteFileW(LogPath().c_str());
    ASSERT_TRUE(RunUninstaller(L"/READYUNINSTALL /S /CHK="));
    EXPECT_NE(testing_support::ReadFileBytes(LogPath()).find("illegal call\r\n"), std::string::npos);
}

}  // namespace
