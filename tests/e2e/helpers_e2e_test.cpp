// A silent uninstall of an installed product whose helpers, programs and services are all present and
// running: every helper is called once in the sequence's order, no product process survives, and the
// services are stopped and gone.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/caller_token.h"
#include "base/product.h"
#include "base/paths.h"
#include "base/registry.h"
#include "tests/harness/testing.h"

namespace {

using testing_support::BinDir;
using testing_support::ReadFileBytes;
using testing_support::RunChild;

const std::wstring kInstallDir = L"C:\\Program Files\\Korvelia";
constexpr wchar_t kRecordVariable[] = L"KORVEL_PRODUCT_RECORD";
constexpr const wchar_t* kServices[] = {L"TessmarLock", L"TessmarLockWp", L"DazuzaviRovuverUz", L"DerurorudizoVE"};

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), n, nullptr, nullptr);
    return result;
}

bool ServiceExists(SC_HANDLE manager, const wchar_t* name) {
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
    if (service) CloseServiceHandle(service);
    return service != nullptr;
}

class HelpersE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(m_manager, nullptr);
        m_record = m_scratch / L"record.txt";
        SetEnvironmentVariableW(kRecordVariable, m_record.c_str());
        DeleteFileW(LogPath().c_str());
        DWORD code = 1;
        ASSERT_TRUE(RunChild(L"\"" + Paths::Join(BinDir(), L"korvel_setup.exe") + L"\" \"/dir=" + kInstallDir + L"\"",
                             60000, &code));
        ASSERT_EQ(code, 0u);
    }
    void TearDown() override {
        for (HANDLE process : m_processes) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
        for (const wchar_t* name : kServices) {
            SC_HANDLE service = OpenServiceW(m_manager, name, SERVICE_ALL_ACCESS);
            if (!service) continue;
            SERVICE_STATUS status = {};
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            DeleteService(service);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(m_manager);
        testing_support::RemoveTree(kInstallDir);
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, Product::kAppPathsKey);
        SetEnvironmentVariableW(kRecordVariable, nullptr);
    }

    static std::wstring LogPath() { return Paths::TempDirectory() + L"korvel_uninst.log"; }

    // Copies a built helper to its place in the installation directory.
    void Place(const wchar_t* built, const std::wstring& relative) {
        std::wstring target = Paths::Join(kInstallDir, relative);
        SHCreateDirectoryExW(nullptr, Paths::ParentDirectory(target).c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(Paths::Join(BinDir(), built).c_str(), target.c_str(), FALSE)) << Narrow(relative);
    }

    HANDLE Start(const std::wstring& relative, const std::wstring& options) {
        std::wstring ready = m_scratch / (L"ready" + std::to_wstring(m_processes.size()));
        std::wstring commandLine =
            L"\"" + Paths::Join(kInstallDir, relative) + L"\" " + options + L" /ready=\"" + ready + L"\"";
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        EXPECT_TRUE(
            CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
        CloseHandle(info.hThread);
        m_processes.push_back(info.hProcess);
        for (int i = 0; i < 200 && !Paths::FileExists(ready); ++i) Sleep(50);
        return info.hProcess;
    }

    // A service run by the simulated service program; started when `running`.
    void AddService(const wchar_t* name, bool running) {
        std::wstring binary =
            L"\"" + Paths::Join(BinDir(), L"korvel_service.exe") + L"\" " + name + L" \"" + m_record + L"\"";
        SC_HANDLE service =
            CreateServiceW(m_manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                           SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(service, nullptr) << GetLastError();
        if (running) {
            BOOL started = FALSE;
            for (int i = 0; i < 10 && !(started = StartServiceW(service, 0, nullptr)); ++i)
                if (GetLastError() != ERROR_SERVICE_DATABASE_LOCKED) break;
            EXPECT_TRUE(started) << GetLastError();
            SERVICE_STATUS status = {};
            for (int i = 0; i < 200 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING;
                 ++i)
                Sleep(50);
            EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
        }
        CloseServiceHandle(service);
    }

    std::vector<std::string> Records() const {
        std::vector<std::string> lines;
        std::istringstream stream(ReadFileBytes(m_record));
        for (std::string line; std::getline(stream, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.push_back(line);
        }
        return lines;
    }

    testing_support::ScratchDir m_scratch;
    std::wstring m_record;
    SC_HANDLE m_manager = nullptr;
    std::vector<HANDLE> m_processes;
};

// A copy of the uninstaller where a relaunch would put it, run as the relaunched silent uninstaller.
bool RunSilentFromTempCopy() {
    std::wstring dir = Paths::NewGuidTempName(Paths::TempDirectory());
    CreateDirectoryW(dir.c_str(), nullptr);
    CopyFileW(Paths::Join(BinDir(), L"Uninstall.exe").c_str(), Paths::Join(dir, L"Uninstall.exe").c_str(), FALSE);
    CopyFileW(Paths::Join(BinDir(), L"7z.dll").c_str(), Paths::Join(dir, L"7z.dll").c_str(), FALSE);
    DWORD code = 1;
    bool ended =
        RunChild(L"\"" + Paths::Join(dir, L"Uninstall.exe") + L"\" /S  /READYUNINSTALL  /CHK=" + MakeCallerToken(),
                 300000, &code);
    testing_support::RemoveTree(dir);
    return ended && code == 0;
}

TEST_F(HelpersE2ETest, HelpersAreCalledInOrderProgramsEndAndServicesGo) {
    // The helpers the setup project and the product's fixed layout name.
    Place(L"korvel_helper.exe", L"Utils\\korvelreg.exe");
    Place(L"korvel_helper_lib.dll", L"Utils\\korvelshell.dll");
    Place(L"korvel_helper.exe", L"wallpaperhelper\\wpcleaner.exe");
    Place(L"korvel_helper.exe", L"Utils\\rundll64.exe");
    Place(L"korvel_helper_lib.dll", L"Utils\\korvelext64.dll");
    Place(L"korvel_helper.exe", L"Utils\\zyrgamecenter_korvel.exe");
    Place(L"korvel_helper_lib.dll", L"wallpaperhelper\\Tessmar12.dll");
    Place(L"korvel_helper.exe", L"wallpaperhelper\\zuzirod.exe");
    HANDLE engine = Start(L"Orbwpapp.exe", L"");
    HANDLE mainProgram = Start(L"qalmex.exe", L"/quitmsg=ignore");
    // The tray ignores every request; the file_pe step kills it before calling it with "/uninstall".
    HANDLE tray = Start(L"vorizar.exe", L"/quitmsg=ignore /close=ignore");
    AddService(L"TessmarLock", true);
    AddService(L"DazuzaviRovuverUz", false);
    AddService(L"DerurorudizoVE", true);

    ASSERT_TRUE(RunSilentFromTempCopy());

    for (HANDLE process : {engine, mainProgram, tray})
        EXPECT_EQ(WaitForSingleObject(process, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
    for (const wchar_t* name : kServices) EXPECT_FALSE(ServiceExists(m_manager, name)) << Narrow(name);

    const std::string dir = Narrow(kInstallDir);
    const std::vector<std::string> inOrder = {
        "korvelreg.exe|/uninstall /silent",
        "korvelshell.dll|UninstallShell /product=korvel",
        "rundll64.exe|--dll=\"" + dir + "\\Utils\\korvelext64.dll\" --entry=DllUnregister /s",
        "zyrgamecenter_korvel.exe|/S /PID=korvel /NOUNINSTALL",
        "OrbwpCore.dll|Uninst core",
        "vorizar.exe|/uninstall /product=korvel",
        "OrbWallPaperCtrlCls|quit message",
        "QalmexMainWndCls|WM_COMMAND 40011",
        "Tessmar12.dll|Uninst ",
        "zuzirod.exe|/UnInstallDesk /LockHomePagePath=\"" + dir + "\\wallpaperhelper\\zuzirod.exe\" /Pid=korvel",
        "TessmarLock|stopped",
        "DerurorudizoVE|stopped",
    };
    std::vector<std::string> records = Records();
    size_t at = 0;
    for (const std::string& line : inOrder) {
        size_t found = at;
        while (found < records.size() && records[found] != line) ++found;
        ASSERT_LT(found, records.size()) << "missing or out of order: " << line << "\n" << ReadFileBytes(m_record);
        at = found + 1;
    }
    for (const std::string& once : {inOrder[0], inOrder[2], inOrder[9], std::string("wpcleaner.exe|/clean")})
        EXPECT_EQ(std::count(records.begin(), records.end(), once), 1) << once;

    std::string log = ReadFileBytes(LogPath());
    const std::vector<std::string> logOrder = {
        "start call program",
        "call exe begin, path=[" + dir + "\\Utils\\korvelreg.exe] cmd=[/uninstall /silent]",
        "call exe return [1], path=[" + dir + "\\Utils\\korvelreg.exe], cmd=[/uninstall /silent], sync[1]",
        "file[" + dir + "\\wallpaperhelper\\wphook64.dll] is not exist",
        "Call exe:" + dir + "\\Utils\\zyrgamecenter_korvel.exe,param:/S /PID=korvel /NOUNINSTALL",
        "CPluginTask::StartTask result=0 code=-1",
        "start close all processes",
        "Send msg to QalmexMainWndCls wnd",
        "enter KillProcessesInInstallPath szTargetDir=" + dir,
        "end KillProcessesInInstallPath",
        "delete TessmarLock\r\n",
        "delete TessmarLockWp fail\r\n",
        "delete TessmarLockWp\r\n",
        "delete DazuzaviRovuverUz\r\n",
        "start uninstall DerurorudizoVE.",
    };
    at = 0;
    for (const std::string& line : logOrder) {
        size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found + line.size();
    }
    EXPECT_EQ(log.find("delete TessmarLock fail"), std::string::npos);
    EXPECT_EQ(log.find("delete DazuzaviRovuverUz fail"), std::string::npos)
        << "a stopped service is deleted all the same";
}

}  // namespace
