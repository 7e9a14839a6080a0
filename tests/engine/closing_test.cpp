#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "engine/program_closer.h"
#include "engine/service_entry.h"
#include "tests/engine/helper_fixture.h"

using testing_support::BinDir;
using testing_support::RunChild;

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

class ClosingTest : public HelperFixture {
protected:
    void TearDown() override {
        for (HANDLE process : m_processes) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
        if (!m_sibling.empty()) testing_support::RemoveTree(m_sibling);
        HelperFixture::TearDown();
    }

    // Starts a program with its options; for the product's windowed programs waits until the window exists.
    HANDLE Start(const std::wstring& path, const std::wstring& options, bool waitForWindow) {
        std::wstring ready = *m_scratch / (L"ready" + std::to_wstring(m_processes.size()));
        std::wstring commandLine = L"\"" + path + L"\" " + options;
        if (waitForWindow) commandLine += L" /ready=\"" + ready + L"\"";
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        EXPECT_TRUE(
            CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            << Narrow(commandLine);
        CloseHandle(info.hThread);
        m_processes.push_back(info.hProcess);
        for (int i = 0; waitForWindow && i < 200 && !Paths::FileExists(ready); ++i) Sleep(50);
        EXPECT_TRUE(!waitForWindow || Paths::FileExists(ready)) << Narrow(path);
        return info.hProcess;
    }

    bool Ended(HANDLE process) { return WaitForSingleObject(process, 15000) == WAIT_OBJECT_0; }

    std::vector<HANDLE> m_processes;
    std::wstring m_sibling;
};

TEST_F(ClosingTest, ProgramsAreAskedThenKilledWithTheSiblingDirectoryAndZuvAziSpared) {
    for (const wchar_t* program : {L"qalmex.exe", L"vorizar.exe", L"Orbwpapp.exe"}) Place(program, program);
    Place(L"korvel_helper.exe", L"ZuvAzi\\ZuvAzi.exe");
    Place(L"korvel_helper.exe", L"other\\ZuvAzi.exe");
    m_sibling = InstallDir() + L"Extra";
    CreateDirectoryW(m_sibling.c_str(), nullptr);
    const std::wstring siblingTool = Paths::Join(m_sibling, L"tool.exe");
    ASSERT_TRUE(CopyFileW(Paths::Join(BinDir(), L"korvel_helper.exe").c_str(), siblingTool.c_str(), FALSE));

    HANDLE engine = Start(InInstall(L"Orbwpapp.exe"), L"", true);
    HANDLE mainProgram = Start(InInstall(L"qalmex.exe"), L"/quitmsg=ignore", true);
    HANDLE tray = Start(InInstall(L"vorizar.exe"), L"/quitmsg=ignore /close=ignore", true);
    HANDLE spared = Start(InInstall(L"ZuvAzi\\ZuvAzi.exe"), L"/sleep=600000", false);
    HANDLE elsewhere = Start(InInstall(L"other\\ZuvAzi.exe"), L"/sleep=600000", false);
    HANDLE sibling = Start(siblingTool, L"/sleep=600000", false);
    auto config = LoadProject(
        "<CloseAllPrograms>"
        "<Program WindowClass=\"NoSuchWndCls\" Message=\"WM_CLOSE\" Timeout=\"1000\"/>"
        "<Program WindowClass=\"QalmexMainWndCls\" Message=\"WM_COMMAND\" WPARAM=\"0x9C4B\" Timeout=\"2000\"/>"
        "<Program WindowClass=\"VorizarTrayWndCls\" Message=\"WM_QUIT\" Timeout=\"2000\"/>"
        "</CloseAllPrograms>");
    Sleep(500);  // the helpers without a window have started running their image

    CloseAllPrograms(config.get(), InstallDir());

    for (HANDLE process : {engine, mainProgram, tray, elsewhere, sibling}) EXPECT_TRUE(Ended(process));
    EXPECT_EQ(WaitForSingleObject(spared, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    std::vector<std::string> records = Records();
    EXPECT_NE(FindLine(records, "OrbWallPaperCtrlCls|quit message"), -1);
    EXPECT_NE(FindLine(records, "QalmexMainWndCls|WM_COMMAND 40011"), -1);
    EXPECT_NE(FindLine(records, "VorizarTrayWndCls|WM_QUIT"), -1);

    const std::string log = LogText();
    const std::vector<std::string> ordered = {
        "Send msg to QalmexMainWndCls wnd",
        "Send msg to VorizarTrayWndCls wnd",
        "enter KillProcessesInInstallPath szTargetDir=" + Narrow(InstallDir()),
        "enter KillMultiProcesses",
        "end KillMultiProcesses",
        "end KillProcessesInInstallPath",
    };
    size_t at = 0;
    for (const std::string& line : ordered) {
        size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + line.size();
    }
    EXPECT_EQ(log.find("NoSuchWndCls"), std::string::npos);
    EXPECT_NE(log.find("Ignore process : " + Upper(Narrow(InInstall(L"ZuvAzi\\ZuvAzi.exe")))), std::string::npos);
    EXPECT_NE(log.find("Kill process: " + Upper(Narrow(siblingTool))), std::string::npos);
    EXPECT_NE(log.find("Kill process: " + Upper(Narrow(InInstall(L"other\\ZuvAzi.exe")))), std::string::npos);
    EXPECT_NE(log.find("Kill process: " + Upper(Narrow(InInstall(L"VORIZAR.EXE")))), std::string::npos);
}

TEST_F(ClosingTest, OwnProcessAndParentSurviveTheDirectoryKill) {
    Place(L"closing_probe.exe", L"probe.exe");
    Place(L"korvel_helper.exe", L"victim.exe");
    HANDLE victim = Start(InInstall(L"victim.exe"), L"/sleep=600000", false);
    Sleep(500);

    DWORD exitCode = 0;
    ASSERT_TRUE(RunChild(L"\"" + InInstall(L"probe.exe") + L"\" parent \"" + InstallDir() + L"\"", 60000, &exitCode));
    EXPECT_EQ(exitCode, 11u);  // the child ran to its end and killed exactly the victim
    EXPECT_TRUE(Ended(victim));
}

TEST_F(ClosingTest, OnlyTheFirstWindowOfAClassGetsItsMessage) {
    Place(L"Orbwpapp.exe", L"first\\Orbwpapp.exe");
    Place(L"Orbwpapp.exe", L"second\\Orbwpapp.exe");
    HANDLE first = Start(InInstall(L"first\\Orbwpapp.exe"), L"/close=ignore", true);
    HANDLE second = Start(InInstall(L"second\\Orbwpapp.exe"), L"/close=ignore", true);
    auto config = LoadProject(
        "<CloseAllPrograms><Program WindowClass=\"OrbWallPaperCtrlCls\" Message=\"WM_CLOSE\" Timeout=\"3000\"/>"
        "</CloseAllPrograms>");

    SendCloseMessages(config.get());

    std::vector<std::string> records = Records();
    EXPECT_EQ(std::count(records.begin(), records.end(), "OrbWallPaperCtrlCls|WM_CLOSE"), 1);
    EXPECT_NE(LogText().find("Send msg to OrbWallPaperCtrlCls wnd\n"), std::string::npos);
    KillMultiProcesses(InstallDir().c_str(), nullptr);
    EXPECT_TRUE(Ended(first));
    EXPECT_TRUE(Ended(second));
}

// Without the default the send would wait for the hung window for weeks instead of 2000 ms.
TEST_F(ClosingTest, NegativeTimeOutGivesUpOnAHungWindow) {
    Place(L"qalmex.exe", L"qalmex.exe");
    HANDLE hung = Start(InInstall(L"qalmex.exe"), L"/closedelay=600000", true);
    auto config = LoadProject(
        "<CloseAllPrograms><Program WindowClass=\"QalmexMainWndCls\" Message=\"WM_CLOSE\" Timeout=\"-1\"/>"
        "</CloseAllPrograms>");

    SendCloseMessages(config.get());

    EXPECT_NE(LogText().find("Send msg to QalmexMainWndCls wnd\n"), std::string::npos);
    EXPECT_EQ(WaitForSingleObject(hung, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(ClosingTest, ShortDirectoriesAreRefused) {
    KillProcessesInInstallPath(L"C:\\");
    int killed = -1;
    KillMultiProcesses(L"C:\\", &killed);
    EXPECT_EQ(killed, -1);
    const std::string log = LogText();
    EXPECT_NE(log.find("enter KillProcessesInInstallPath szTargetDir=C:\\"), std::string::npos);
    EXPECT_EQ(log.find("end KillProcessesInInstallPath"), std::string::npos);
    EXPECT_EQ(log.find("end KillMultiProcesses"), std::string::npos);
}

using ServiceTest = HelperFixture;

SC_HANDLE OpenProductService(SC_HANDLE manager, const wchar_t* name) {
    return OpenServiceW(manager, name, SERVICE_ALL_ACCESS);
}

TEST_F(ServiceTest, RunningServiceIsStoppedAndDeleted) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    const std::wstring binary = L"\"" + Paths::Join(BinDir(), L"korvel_service.exe") + L"\" TessmarLock \"" +
                                (*m_scratch / L"record.txt") + L"\"";
    SC_HANDLE service = CreateServiceW(manager, L"TessmarLock", L"TessmarLock", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                       binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr) << GetLastError();
    // The service manager may still be starting the prefix's own services (database locked meanwhile).
    BOOL started = FALSE;
    for (int i = 0; i < 10 && !(started = StartServiceW(service, 0, nullptr)); ++i)
        if (GetLastError() != ERROR_SERVICE_DATABASE_LOCKED) break;
    ASSERT_TRUE(started) << GetLastError();
    SERVICE_STATUS status = {};
    for (int i = 0; i < 200 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING; ++i)
        Sleep(50);
    ASSERT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    CloseServiceHandle(service);

    StopAndDeleteLogged(L"TessmarLock");

    SC_HANDLE gone = nullptr;
    for (int i = 0; i < 200 && (gone = OpenProductService(manager, L"TessmarLock")) != nullptr; ++i) {
        CloseServiceHandle(gone);
        Sleep(50);
    }
    EXPECT_EQ(gone, nullptr);
    CloseServiceHandle(manager);
    EXPECT_EQ(Records(), (std::vector<std::string>{"TessmarLock|running", "TessmarLock|stopped"}));
    const std::string log = LogText();
    EXPECT_NE(log.find("delete TessmarLock\n"), std::string::npos);
    EXPECT_EQ(log.find("delete TessmarLock fail"), std::string::npos);
}

TEST_F(ServiceTest, MissingServiceLogsItsFailLineThenItsPlainLine) {
    StopAndDeleteLogged(L"TessmarLockWp");
    const std::string log = LogText();
    size_t fail = log.find("delete TessmarLockWp fail\n");
    ASSERT_NE(fail, std::string::npos);
    EXPECT_NE(log.find("delete TessmarLockWp\n", fail), std::string::npos);
}

}  // namespace
