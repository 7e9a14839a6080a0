#include <gtest/gtest.h>

#include <string>

#include "app/caller_token.h"
#include "base/product.h"
#include "base/cipher.h"
#include "base/paths.h"
#include "base/registry.h"
#include "tests/harness/testing.h"

namespace {

using testing_support::BinDir;
using testing_support::ReadFileBytes;
using testing_support::RunChild;

const std::wstring kInstallDir = L"C:\\Program Files\\Korvelia";

std::wstring LogPath() { return Paths::TempDirectory() + L"korvel_uninst.log"; }
std::string Log() { return ReadFileBytes(LogPath()); }

// A copy of the uninstaller where a relaunch would put it: "%TEMP%\{GUID}.tmp" with 7z.dll beside it.
class TempCopy {
public:
    explicit TempCopy(bool withSevenZip = true, const std::wstring& exe = Paths::Join(BinDir(), L"Uninstall.exe"))
        : m_dir(Paths::NewGuidTempName(Paths::TempDirectory())) {
        CreateDirectoryW(m_dir.c_str(), nullptr);
        CopyFileW(exe.c_str(), Path().c_str(), FALSE);
        if (withSevenZip) CopyFileW(Paths::Join(BinDir(), L"7z.dll").c_str(), Paths::Join(m_dir, L"7z.dll").c_str(), FALSE);
    }
    ~TempCopy() { testing_support::RemoveTree(m_dir); }
    std::wstring Path() const { return Paths::Join(m_dir, L"Uninstall.exe"); }
    const std::wstring& Dir() const { return m_dir; }

    // Runs the copy as the relaunched silent uninstaller; true when it exited 0 in time.
    bool RunSilent(const std::wstring& token) const {
        DWORD code = 1;
        bool ended = RunChild(L"\"" + Path() + L"\" /S  /READYUNINSTALL  /CHK=" + token, 300000, &code);
        return ended && code == 0;
    }

private:
    std::wstring m_dir;
};

// Wine's record of what goes at the next restart, as one text.
std::wstring PendingDeletions() {
    ScopedRegKey key;
    if (Registry::OpenKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", KEY_QUERY_VALUE,
                          &key) != ERROR_SUCCESS)
        return std::wstring();
    DWORD bytes = 0;
    if (RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(&text[0]),
                     &bytes);
    for (wchar_t& c : text)
        if (c == L'\0') c = L'|';
    return text;
}

class UninstallE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileW(LogPath().c_str());
        std::wstring setup = Paths::Join(BinDir(), L"korvel_setup.exe");
        DWORD code = 1;
        ASSERT_TRUE(RunChild(L"\"" + setup + L"\" \"/dir=" + kInstallDir + L"\"", 60000, &code));
        ASSERT_EQ(code, 0u);
        ASSERT_TRUE(Paths::FileExists(Paths::Join(kInstallDir, L"qalmex.exe")));
    }
    void TearDown() override {
        testing_support::RemoveTree(kInstallDir);
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, Product::kAppPathsKey);
    }
};

TEST_F(UninstallE2ETest, SilentRunRemovesTheProductAndKeepsForeignEntries) {
    TempCopy copy;
    ASSERT_TRUE(copy.RunSilent(MakeCallerToken()));

    for (const wchar_t* gone : {L"qalmex.exe", L"vorizar.exe", L"Orbwpapp.exe", L"OrbwpCore.dll", L"Utils",
                                L"skin", L"plugins", L"config", L"config.set", L"wpres.pak", L"logs"})
        EXPECT_FALSE(Paths::Exists(Paths::Join(kInstallDir, gone))) << "left: " << std::string(gone, gone + wcslen(gone));
    for (const wchar_t* kept : {L"UserNotes.txt", L"OtherVendor", L"foreign_tool.exe"})
        EXPECT_TRUE(Paths::Exists(Paths::Join(kInstallDir, kept))) << "removed: " << std::string(kept, kept + wcslen(kept));

    std::string log = Log();
    EXPECT_EQ(log.find("illegal call"), std::string::npos);
    const char* inOrder[] = {"start uninstall thread...", "start call program", "start close all processes",
                             "remove desktop shortcuts", "remove start menu shortcuts", "remove cef cache",
                             "remove file by registry", "remove registry", "remove autorun",
                             "start delete all files in C:\\Program Files\\Korvelia", "File NOT exists in xml: ",
                             "end delete all files in C:\\Program Files\\Korvelia",
                             "start uninstall DerurorudizoVE.", "start create runonce bat", "re unistinfo ret=",
                             "CMainWnd::OnClose finish"};
    size_t at = 0;
    for (const char* line : inOrder) {
        size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found;
    }
    // Logged by the worker right after it released the main window's wait: either order is possible.
    EXPECT_NE(log.find("CInstallingModel::OnRealInstallEnd"), std::string::npos);
    for (const char* foreign : {"UserNotes.txt", "OtherVendor", "foreign_tool.exe"})
        EXPECT_NE(log.find(std::string("File NOT exists in xml: ") + foreign + "\r\n"), std::string::npos) << foreign;
    // The temporary copy removes its own directory at the end; the running program and the 7-Zip
    // library it has loaded can only go at the next restart.
    EXPECT_TRUE(!Paths::Exists(copy.Dir()) || PendingDeletions().find(copy.Dir()) != std::wstring::npos);
}

TEST_F(UninstallE2ETest, TokenMadeUnderAnotherKeyIsRefused) {
    TempCopy copy;
    ASSERT_TRUE(copy.RunSilent(EncryptText(L"nhifsni", L"0123456789abcdef0123456789abcdef")));
    EXPECT_NE(Log().find("illegal call\r\n"), std::string::npos);
    EXPECT_TRUE(Paths::FileExists(Paths::Join(kInstallDir, L"qalmex.exe")));
}

TEST_F(UninstallE2ETest, StartupFailuresLeaveTheProductAlone) {
    struct Case {
        std::wstring exe;
        bool withSevenZip;
        const char* line;
    } cases[] = {
        {Paths::Join(BinDir(), L"unsigned\\Uninstall.exe"), true, "pre init check failed, ret = 2\r\n"},
        {Paths::Join(BinDir(), L"Uninstall.exe"), false, "pre init check failed, ret = 3\r\n"},
        {Paths::Join(BinDir(), L"corrupt_project\\Uninstall.exe"), true, "init config failed, exit\r\n"},
    };
    for (const Case& c : cases) {
        DeleteFileW(LogPath().c_str());
        TempCopy copy(c.withSevenZip, c.exe);
        ASSERT_TRUE(copy.RunSilent(MakeCallerToken()));
        EXPECT_NE(Log().find(c.line), std::string::npos) << c.line << Log();
        EXPECT_EQ(Log().find("start uninstall thread"), std::string::npos);
        EXPECT_TRUE(Paths::FileExists(Paths::Join(kInstallDir, L"qalmex.exe")));
        EXPECT_TRUE(Paths::Exists(copy.Dir())) << "a failed start keeps its temporary copy";
    }
}

TEST_F(UninstallE2ETest, SecondUninstallerExitsWhileTheFirstHoldsTheGuard) {
    HANDLE guard = CreateMutexW(nullptr, TRUE, Product::kInstanceMutex);
    ASSERT_NE(guard, nullptr);
    TempCopy copy;
    EXPECT_TRUE(copy.RunSilent(MakeCallerToken()));
    CloseHandle(guard);
    EXPECT_NE(Log().find("CheckSingleInstance failed, exit\r\n"), std::string::npos);
    EXPECT_TRUE(Paths::FileExists(Paths::Join(kInstallDir, L"qalmex.exe")));
}

TEST_F(UninstallE2ETest, FirstStartRelaunchesFromATemporaryCopy) {
    std::wstring installed = Paths::Join(kInstallDir, L"Uninstall.exe");
    DWORD code = 1;
    ASSERT_TRUE(RunChild(L"\"" + installed + L"\" /S", 60000, &code));
    EXPECT_EQ(code, 0u);
    // The copy runs on after the first process ended: wait for its last line.
    for (int i = 0; i < 600 && Log().find("CMainWnd::OnClose finish") == std::string::npos; ++i) Sleep(100);
    std::string log = Log();
    EXPECT_NE(log.find("parent process path= "), std::string::npos);
    EXPECT_EQ(log.find("illegal call"), std::string::npos) << "the copy got a valid caller token";
    EXPECT_NE(log.find("CMainWnd::OnClose finish"), std::string::npos) << log;
    EXPECT_FALSE(Paths::Exists(Paths::Join(kInstallDir, L"qalmex.exe")));
}

}  // namespace
