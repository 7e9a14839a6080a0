#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "base/registry.h"
#include "engine/helper_calls.h"
#include "engine/plugin_task.h"
#include "engine/program_closer.h"
#include "engine/step_families.h"
#include "tests/engine/helper_fixture.h"

using testing_support::ScopedRegistryTree;
using testing_support::WriteFileBytes;

namespace {

constexpr wchar_t kRunListKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\run_list";
constexpr wchar_t kFilePeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\file_pe";
constexpr wchar_t kLauncherKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ZOZOzavidavaVovora.exe";
constexpr wchar_t kSignedExe[] = L"korvel_helper.exe";
constexpr wchar_t kUnsignedExe[] = L"korvel_helper_unsigned.exe";
constexpr wchar_t kSignedLib[] = L"korvel_helper_lib.dll";
constexpr wchar_t kRunListLib[] = L"korvel_runlist_lib.dll";

using HelperCallTest = HelperFixture;

TEST_F(HelperCallTest, CallProgramListRunsEachItemOnceInOrderWithItsCommandLine) {
    Place(kSignedExe, L"Utils\\korvelreg.exe");
    Place(kSignedLib, L"Utils\\korvelshell.dll");
    Place(kUnsignedExe, L"Utils\\unsigned.exe");
    Place(kSignedExe, L"Utils\\wrongsigner.exe");
    auto config = LoadProject(
        "<CallProgramOnUninst>"
        "<Program FileName=\"Utils\\korvelreg.exe\" Type=\"exe\" Cmdline=\"/uninstall /silent\" WaitTime=\"5000\" "
        "Sync=\"1\"/>"
        "<Program FileName=\"Utils\\missing.exe\" Type=\"exe\" Sync=\"1\"/>"
        "<Program FileName=\"Utils\\unsigned.exe\" Type=\"exe\" Sync=\"1\"/>"
        "<Program FileName=\"Utils\\wrongsigner.exe\" Type=\"exe\" SignType=\"Somebody Else Ltd\" Sync=\"1\"/>"
        "<Program FileName=\"Utils\\korvelshell.dll\" Type=\"DLL\" FuncName=\"UninstallShell\" "
        "Para=\"/product=korvel\"/>"
        "</CallProgramOnUninst>");

    RunCallProgramList(config.get(), InstallDir());

    EXPECT_EQ(Records(), (std::vector<std::string>{"korvelreg.exe|/uninstall /silent",
                                                   "korvelshell.dll|UninstallShell /product=korvel"}));
    const std::string reg = Narrow(InInstall(L"Utils\\korvelreg.exe"));
    const std::string log = LogText();
    EXPECT_NE(log.find("call exe begin, path=[" + reg + "] cmd=[/uninstall /silent]"), std::string::npos);
    EXPECT_NE(log.find("call exe return [1], path=[" + reg + "], cmd=[/uninstall /silent], sync[1]"),
              std::string::npos);
    EXPECT_NE(log.find("file[" + Narrow(InInstall(L"Utils\\missing.exe")) + "] is not exist"), std::string::npos);
    EXPECT_NE(log.find("check sign fail, signType[], filepath[" + Narrow(InInstall(L"Utils\\unsigned.exe")) + "]"),
              std::string::npos);
    EXPECT_NE(log.find("check sign fail, signType[Somebody Else Ltd], filepath["), std::string::npos);
    EXPECT_NE(log.find("call dll func start, path=[" + Narrow(InInstall(L"Utils\\korvelshell.dll")) + "]"),
              std::string::npos);
}

// The helper sleeps 55 s and writes "ended" only if it gets that far: the engine's wait for an item asking
// 120000 ms is clamped to 50000 ms, so the call returns while the helper is still running, and the helper
// is left behind.
TEST_F(HelperCallTest, LongWaitIsClampedAndAHangingHelperIsLeftBehind) {
    Place(kSignedExe, L"Utils\\slow.exe");
    auto config = LoadProject(
        "<CallProgramOnUninst><Program FileName=\"Utils\\slow.exe\" Type=\"exe\" Cmdline=\"/sleep=55000\" "
        "WaitTime=\"120000\" Sync=\"1\"/></CallProgramOnUninst>");

    RunCallProgramList(config.get(), InstallDir());

    EXPECT_EQ(Records(), (std::vector<std::string>{"slow.exe|/sleep=55000"}));
    EXPECT_TRUE(EndProcessesOf(InInstall(L"Utils\\slow.exe")));
    EXPECT_EQ(FindLine(Records(), "slow.exe|ended"), -1);
}

TEST(CallProgramWaitTest, ZeroAndLongWaitsBecomeFiftySeconds) {
    const struct {
        int asked;
        DWORD waited;
    } cases[] = {{0, 50000}, {120000, 50000}, {-1, 50000}, {50000, 50000}, {50001, 50000}, {5000, 5000}, {1, 1}};
    for (const auto& c : cases) EXPECT_EQ(CallProgramWaitMs(c.asked), c.waited) << c.asked;
}

TEST_F(HelperCallTest, RundllItemsGoThroughTheSignedHostOnly) {
    struct Case {
        const wchar_t* host;
        std::vector<std::string> expected;
    };
    const std::wstring library = InInstall(L"Utils\\korvelext64.dll");
    const std::vector<Case> cases = {
        {kSignedExe, {"rundll64.exe|--dll=\"" + Narrow(library) + "\" --entry=DllUnregister /s"}},
        {kUnsignedExe, {}},
    };
    auto config = LoadProject(
        "<RundllUnRegisterOnUnInst>"
        "<Item System=\"64\" FileName=\"Utils\\korvelext64.dll\" Entry=\"DllUnregister\" Cmdline=\"/s\" "
        "WaitTime=\"5000\"/>"
        "<Item System=\"64\" FileName=\"Utils\\gone64.dll\" Entry=\"Unhook\"/>"
        "</RundllUnRegisterOnUnInst>");
    Place(kSignedLib, L"Utils\\korvelext64.dll");
    for (const Case& c : cases) {
        DeleteFileW((*m_scratch / L"record.txt").c_str());
        Place(c.host, L"Utils\\rundll64.exe");
        RunRundllList(config.get(), InstallDir());
        EXPECT_EQ(Records(), c.expected) << Narrow(c.host);
    }
    // The missing library is reported only in the signed host's run; the unsigned host's run is silent.
    const std::string log = LogText();
    const std::string missing = "file[" + Narrow(InInstall(L"Utils\\gone64.dll")) + "] is not exist";
    size_t first = log.find(missing);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find(missing, first + 1), std::string::npos);
}

// A negative WaitTime must not become a near-endless wait: the host is started and left running.
TEST_F(HelperCallTest, NegativeRundllWaitDoesNotBlock) {
    Place(kSignedExe, L"Utils\\rundll64.exe");
    Place(kSignedLib, L"Utils\\korvelext64.dll");
    auto config = LoadProject(
        "<RundllUnRegisterOnUnInst><Item System=\"64\" FileName=\"Utils\\korvelext64.dll\" Entry=\"DllUnregister\" "
        "Cmdline=\"/sleep=600000\" WaitTime=\"-1\"/></RundllUnRegisterOnUnInst>");

    RunRundllList(config.get(), InstallDir());

    for (int i = 0; i < 200 && Records().empty(); ++i) Sleep(50);  // the host records itself once running
    EXPECT_TRUE(EndProcessesOf(InInstall(L"Utils\\rundll64.exe")));
    EXPECT_EQ(FindLine(Records(), "rundll64.exe|ended"), -1);
}

TEST_F(HelperCallTest, GameCenterLibraryFirstProgramAsFallback) {
    const std::wstring program = InInstall(L"Utils\\zyrgamecenter_korvel.exe");
    Place(kSignedExe, L"Utils\\zyrgamecenter_korvel.exe");

    RunGameCenterHelper(InstallDir(), false);
    EXPECT_EQ(Records(), (std::vector<std::string>{"zyrgamecenter_korvel.exe|/S /PID=korvel /NOUNINSTALL"}));
    EXPECT_NE(LogText().find("Call exe:" + Narrow(program) + ",param:/S /PID=korvel /NOUNINSTALL"), std::string::npos);

    Place(kSignedLib, L"Utils\\zyrgamecenter_korvel.dll");
    RunGameCenterHelper(InstallDir(), true);
    std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], "zyrgamecenter_korvel.dll|Start4RunDll /S /PID=korvel /UNINSTALL");
    const std::string log = LogText();
    size_t first = log.find("Call exe:");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Call exe:", first + 1), std::string::npos);
}

TEST_F(HelperCallTest, RunListAnswersRegtestAndSignatures) {
    ScopedRegistryTree runList(HKEY_LOCAL_MACHINE, kRunListKey);
    Place(kRunListLib, L"answer.dll");
    Place(kRunListLib, L"Utils\\plain.tpi");
    Place(kRunListLib, L"huge.dll");
    Place(kUnsignedExe, L"regtest.exe");
    Place(kUnsignedExe, L"unsigned.exe");
    Place(kSignedExe, L"notes.txt");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kRunListKey, L"answer.dll", L"len=12");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kRunListKey, L"Utils\\plain.tpi", L"plain");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kRunListKey, L"huge.dll", L"len=50000000");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kRunListKey, L"regtest.exe", L"/Regtest");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kRunListKey, L"unsigned.exe", L"/quiet");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kRunListKey, L"notes.txt", L"");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kRunListKey, L"absent.dll", L"x");

    RunRunList(InstallDir());

    // Values come in the registry's enumeration order (by name here).
    std::vector<std::string> records = Records();
    EXPECT_EQ(records,
              (std::vector<std::string>{"answer.dll|Uninst len=12 size=260", "answer.dll|Uninst len=12 size=13",
                                        "huge.dll|Uninst len=50000000 size=260",
                                        "regtest.exe|/Regtest --PRODUCT= --PID=", "plain.tpi|Uninst plain size=260"}));
    const std::string log = LogText();
    EXPECT_NE(log.find("CallDllInterfaceEx return value=xxxxxxxxxxxx\n"), std::string::npos);
    EXPECT_NE(log.find("CallDllInterfaceEx return value=done\n"), std::string::npos);
    // An answer length no library can mean is not allocated: the first answer stands.
    EXPECT_NE(log.find("CallDllInterfaceEx answer too long (50000000)"), std::string::npos);
    EXPECT_NE(log.find("CallDllInterfaceEx return value=short\n"), std::string::npos);
    EXPECT_NE(log.find("Regtest, no need to check sign."), std::string::npos);
    EXPECT_NE(log.find("file extension:.txt"), std::string::npos);
    EXPECT_NE(
        log.find("call exe begin, path=[" + Narrow(InInstall(L"unsigned.exe")) + "] ,cmd=[/quiet --PRODUCT= --PID=]"),
        std::string::npos);
}

TEST_F(HelperCallTest, FilePeProtectionAndGuardCalls) {
    ScopedRegistryTree filePe(HKEY_LOCAL_MACHINE, kFilePeKey);
    Place(kSignedExe, L"vorizar.exe");
    Place(kSignedLib, L"OrbwpCore.dll");
    Place(kSignedLib, L"wallpaperhelper\\Tessmar12.dll");
    Place(kSignedExe, L"wallpaperhelper\\zuzirod.exe");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kFilePeKey, L"vorizar.exe", L"");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kFilePeKey, L"OrbwpCore.dll", L"core");

    RunFilePeList(InstallDir());
    CallProtectionUninst(InstallDir());
    ReleaseGuard(InstallDir());
    DeleteFileW(InInstall(L"wallpaperhelper\\Tessmar12.dll").c_str());
    CallProtectionUninst(InstallDir());

    const std::string guard = Narrow(InInstall(L"wallpaperhelper\\zuzirod.exe"));
    // Values come in the registry's enumeration order (by name here).
    EXPECT_EQ(Records(),
              (std::vector<std::string>{"OrbwpCore.dll|Uninst core", "vorizar.exe|/uninstall /product=korvel",
                                        "Tessmar12.dll|Uninst ",
                                        "zuzirod.exe|/UnInstallDesk /LockHomePagePath=\"" + guard + "\" /Pid=korvel"}));
    EXPECT_NE(LogText().find("file[" + Narrow(InstallDir()) + "\\wallpaperhelper\\Tessmar12.dll] check sign fail.\n"),
              std::string::npos);
}

TEST_F(HelperCallTest, PluginLauncherRunsUncheckedOnlyWithUninstallParameters) {
    ScopedRegistryTree launcherKey(HKEY_LOCAL_MACHINE, kLauncherKey);
    Place(kUnsignedExe, L"plugin\\launcher.exe");
    Registry::WriteString(HKEY_LOCAL_MACHINE, kLauncherKey, L"Launcher", InInstall(L"plugin\\launcher.exe"));

    CPluginTask withoutParameters;
    withoutParameters.StartTask(InstallDir());
    EXPECT_TRUE(Records().empty());
    EXPECT_NE(LogText().find("CPluginTask::StartTask result=0 code=-1"), std::string::npos);

    WriteFileBytes(InInstall(L"config.set"), "[plugin_xd]\r\nuninstall_cmd_param=/uninstall /exit=7\r\n");
    CPluginTask task;
    task.StartTask(InstallDir());
    EXPECT_EQ(Records(), (std::vector<std::string>{"launcher.exe|/uninstall /exit=7"}));
    EXPECT_NE(LogText().find("CPluginTask::StartTask result=1 code=7"), std::string::npos);
}

}  // namespace
