#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "base/sysinfo.h"
#include "tests/harness/testing.h"

namespace {

using namespace sysinfo_detail;

TEST(SysInfoTest, TrueVersionIsNeverBelowTheVersionCall) {
    OSVERSIONINFOW reported = {sizeof(reported)};
    ASSERT_TRUE(GetVersionExW(&reported));
    OSVERSIONINFOEXW first = {}, second = {};
    COSVersionCheck::Instance().GetTrueVersion(&first);
    COSVersionCheck::Instance().GetTrueVersion(&second);
    EXPECT_EQ(first.dwOSVersionInfoSize, 284u);
    EXPECT_GE(first.dwMajorVersion * 10 + first.dwMinorVersion, reported.dwMajorVersion * 10 + reported.dwMinorVersion);
    EXPECT_EQ(first.dwMajorVersion, second.dwMajorVersion);
    EXPECT_EQ(first.dwBuildNumber, second.dwBuildNumber);
    EXPECT_TRUE(COSVersionCheck::Instance().State() == 0 || COSVersionCheck::Instance().State() == 1);
    EXPECT_EQ(COSVersionCheck::Instance().VersionNumber(), first.dwMajorVersion * 10 + first.dwMinorVersion);
}

// Windows 10 tells a program without a compatibility manifest 6.2; the kernel's product version
// raises that to 10.0 with the kernel's build.
TEST(SysInfoTest, KernelProductVersionRefinesAnUnderReportedVersion) {
    OSVERSIONINFOW record = {sizeof(record), 6, 2, 9200};
    EXPECT_TRUE(RefineFromProductVersion(MAKELONG(0, 10), MAKELONG(1, 19041), &record));
    EXPECT_EQ(record.dwMajorVersion, 10u);
    EXPECT_EQ(record.dwMinorVersion, 0u);
    EXPECT_EQ(record.dwBuildNumber, 19041u);

    OSVERSIONINFOW current = {sizeof(current), 10, 0, 19045};
    EXPECT_FALSE(RefineFromProductVersion(MAKELONG(1, 6), MAKELONG(0, 7601), &current));
    EXPECT_EQ(current.dwMajorVersion, 10u);
    EXPECT_EQ(current.dwBuildNumber, 19045u);
}

TEST(SysInfoTest, KernelFileIsReadThroughSysNativeUnderWow64) {
    EXPECT_EQ(KernelFilePath(L"C:\\Windows", false), L"C:\\Windows\\System32\\ntoskrnl.exe");
    EXPECT_EQ(KernelFilePath(L"C:\\Windows\\", true), L"C:\\Windows\\SysNative\\ntoskrnl.exe");
}

TEST(SysInfoTest, BitnessOfThisProcessAndSystem) {
#ifdef _WIN64
    EXPECT_FALSE(IsWow64());
    EXPECT_TRUE(Is64BitOs());
#else
    if (IsWow64()) {
        EXPECT_TRUE(Is64BitOs());
    }
#endif
    EXPECT_EQ(Is64BitOs(), Is64BitOs());
}

TEST(SysInfoTest, VersionTextPieces) {
    EXPECT_EQ(FormatFixedVersion(MAKELONG(2, 3), MAKELONG(1, 0)), L"3.2.0.1");
    EXPECT_EQ(FormatFixedVersion(0xFFFFFFFF, 0), L"65535.65535.0.0");
    EXPECT_EQ(NormaliseVersionString(L"3, 2, 0, 1"), L"3.2.0.1");
    EXPECT_EQ(NormaliseVersionString(L" 1.0 beta"), L"1.0beta");
}

// Reads the uninstaller's FILEVERSION line from its resource script, a route independent of the reader.
std::wstring FileVersionFromResourceScript() {
    std::string script = testing_support::ReadFileBytes(testing_support::SourceDir() + L"\\resources\\uninstall.rc");
    size_t at = script.find("FILEVERSION ");
    if (at == std::string::npos) return std::wstring();
    std::string version = script.substr(at + 12, script.find_first_of("\r\n", at) - at - 12);
    std::wstring text;
    for (char c : version)
        if (c != ' ') text += c == ',' ? L'.' : wchar_t(c);
    return text;
}

TEST(SysInfoTest, FileVersionText) {
    std::wstring uninstaller = testing_support::BinDir() + L"\\Uninstall.exe";
    if (GetFileAttributesW(uninstaller.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "Uninstall.exe not built";
    std::wstring expected = FileVersionFromResourceScript();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(GetFileVersionText(uninstaller), expected);

    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(GetFileVersionText(self), L"");  // no version resource
    EXPECT_EQ(GetFileVersionText(L"C:\\no\\such\\file.exe"), L"");
}

// Runs in a child of the next test (skipped otherwise): writes what the version call says and the
// refined version to the file named by KORVEL_SYSINFO_PROBE.
TEST(SysInfoTest, ProbeVersionForParent) {
    const wchar_t* out = _wgetenv(L"KORVEL_SYSINFO_PROBE");
    if (!out) GTEST_SKIP() << "only run by the Windows 10 test";
    OSVERSIONINFOW reported = {sizeof(reported)};
    GetVersionExW(&reported);
    OSVERSIONINFOEXW refined = {};
    COSVersionCheck::Instance().GetTrueVersion(&refined);
    char text[128];
    snprintf(text, sizeof(text), "%lu.%lu %lu.%lu.%lu", reported.dwMajorVersion, reported.dwMinorVersion,
             refined.dwMajorVersion, refined.dwMinorVersion, refined.dwBuildNumber);
    ASSERT_TRUE(testing_support::WriteFileBytes(out, text));
}

// With Wine told to be Windows 10 for this program, the refined version is 10.0 whatever the version
// call under-reports.
TEST(SysInfoTest, Windows10IsRecognised) {
    const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\crypto_tests.exe";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t kWin10[] = L"win10";
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(kWin10), sizeof(kWin10));
    RegCloseKey(key);

    testing_support::ScratchDir dir;
    std::wstring out = dir / L"version.txt";
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    SetEnvironmentVariableW(L"KORVEL_SYSINFO_PROBE", out.c_str());
    DWORD code = 1;
    bool ran = testing_support::RunChild(L"\"" + std::wstring(self) + L"\" --gtest_filter=SysInfoTest.ProbeVersionForParent",
                                         60000, &code);
    SetEnvironmentVariableW(L"KORVEL_SYSINFO_PROBE", nullptr);
    RegDeleteKeyW(HKEY_CURRENT_USER, kAppDefaults);
    ASSERT_TRUE(ran);
    EXPECT_EQ(code, 0u);

    std::string text = testing_support::ReadFileBytes(out);
    unsigned reportedMajor = 0, reportedMinor = 0, major = 0, minor = 0, build = 0;
    ASSERT_EQ(sscanf(text.c_str(), "%u.%u %u.%u.%u", &reportedMajor, &reportedMinor, &major, &minor, &build), 5)
        << text;
    EXPECT_EQ(major * 10 + minor, 100u) << text;
    EXPECT_LE(reportedMajor * 10 + reportedMinor, 100u) << text;
    EXPECT_GT(build, 0u) << text;
}

}  // namespace
