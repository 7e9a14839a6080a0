#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "app/caller_token.h"
#include "base/product.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"
#include "engine/autorun.h"
#include "tests/harness/testing.h"

namespace {

using testing_support::BinDir;
using testing_support::ReadFileBytes;
using testing_support::RunChild;
using testing_support::WriteFileBytes;

const std::wstring kInstallDir = L"C:\\Program Files\\Korvelia";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbwpapp";
constexpr wchar_t kHklmRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kDesktopNames[] = {L"Orb壁纸.lnk", L"Korvelia.lnk", L"KorveliaLite.lnk"};
const wchar_t* const kFolders[] = {L"Korvelia", L"Orb安全中心\\Orb壁纸"};

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], n, nullptr, nullptr);
    return bytes;
}
std::wstring Folder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE);
    return buffer;
}
std::wstring TaskFile() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return Paths::Join(system, L"tasks\\Orbwp-srv");
}
std::wstring LogPath() { return Paths::TempDirectory() + L"korvel_uninst.log"; }
std::wstring RecordPath() { return Paths::TempDirectory() + L"korvel_restore_record.txt"; }
std::wstring RunValue(HKEY root, const wchar_t* name, Registry::RegView view = Registry::RegView::Product) {
    std::wstring value;
    return Registry::ReadString(root, kRunKey, name, &value, 0, view) ? value : L"<absent>";
}
std::wstring EntryValue(const wchar_t* name) {
    std::wstring value;
    return Registry::ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, name, &value) ? value : L"<absent>";
}
std::wstring PendingDeletions() {
    std::wstring text;
    ScopedRegKey key;
    if (Registry::OpenKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", KEY_QUERY_VALUE,
                          &key) != ERROR_SUCCESS)
        return text;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
        return text;
    text.resize(bytes / sizeof(wchar_t) + 1);
    RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(&text[0]),
                     &bytes);
    return text;
}

struct LinkFacts {
    std::wstring target, workingDir;
    int iconIndex = -1;
};
bool ReadLink(const std::wstring& path, LinkFacts* facts) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return false;
    wchar_t buffer[MAX_PATH] = {};
    link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
    facts->target = buffer;
    link->GetWorkingDirectory(buffer, MAX_PATH);
    facts->workingDir = buffer;
    link->GetIconLocation(buffer, MAX_PATH, &facts->iconIndex);
    return true;
}

// A relaunched copy of the uninstaller in "%TEMP%\{GUID}.tmp", with a recording network library beside it.
class TempCopy {
public:
    explicit TempCopy(bool withSevenZip) : m_dir(Paths::NewGuidTempName(Paths::TempDirectory())) {
        CreateDirectoryW(m_dir.c_str(), nullptr);
        CopyFileW(Paths::Join(BinDir(), L"Uninstall.exe").c_str(), Exe().c_str(), FALSE);
        CopyFileW(Paths::Join(BinDir(), L"netlib_probe\\VarUZ.dll").c_str(), Paths::Join(m_dir, L"VarUZ.dll").c_str(),
                  FALSE);
        if (withSevenZip)
            CopyFileW(Paths::Join(BinDir(), L"7z.dll").c_str(), Paths::Join(m_dir, L"7z.dll").c_str(), FALSE);
    }
    ~TempCopy() { testing_support::RemoveTree(m_dir); }
    std::wstring Exe() const { return Paths::Join(m_dir, L"Uninstall.exe"); }
    const std::wstring& Dir() const { return m_dir; }
    bool Run(const std::wstring& arguments) const {
        DWORD code = 1;
        return RunChild(L"\"" + Exe() + L"\" " + arguments, 300000, &code) && code == 0;
    }
    // Gone, or (the running program and what it loaded) scheduled for the restart.
    bool RemovedItself() const { return !Paths::Exists(m_dir) || PendingDeletions().find(m_dir) != std::wstring::npos; }

private:
    std::wstring m_dir;
};

class RestoreE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileW(LogPath().c_str());
        DeleteFileW(RecordPath().c_str());
        SetEnvironmentVariableW(L"KORVEL_PRODUCT_RECORD", RecordPath().c_str());
    }
    void TearDown() override {
        CloseTrayProgram();
        SetEnvironmentVariableW(L"KORVEL_PRODUCT_RECORD", nullptr);
        testing_support::RemoveTree(kInstallDir);
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, Product::kAppPathsKey);
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
        for (const wchar_t* name : kDesktopNames)
            for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY})
                DeleteFileW(Paths::Join(Folder(csidl), name).c_str());
        testing_support::RemoveTree(Paths::Join(Folder(CSIDL_COMMON_PROGRAMS), L"Korvelia"));
        testing_support::RemoveTree(Paths::Join(Folder(CSIDL_COMMON_PROGRAMS), L"Orb安全中心"));
        SetAutorun(false, L"x");
        Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRun, L"wpapp");
        Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRun, L"wpapp", Registry::RegView::Native64);
    }
    void Install(const std::wstring& arguments) {
        DWORD code = 1;
        ASSERT_TRUE(RunChild(L"\"" + Paths::Join(BinDir(), L"korvel_setup.exe") + L"\" \"/dir=" + kInstallDir + L"\" " +
                                 arguments,
                             60000, &code));
        ASSERT_EQ(code, 0u);
    }
    // What a damaged installation lacks: shortcuts, folders, uninstall entry and autorun.
    void Damage() {
        TearDownEntriesOnly();
        WritePrivateProfileStringW(L"auto_run", L"open", L"0", Paths::Join(kInstallDir, L"config.set").c_str());
    }
    void TearDownEntriesOnly() {
        for (const wchar_t* name : kDesktopNames)
            for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY})
                DeleteFileW(Paths::Join(Folder(csidl), name).c_str());
        for (const wchar_t* folder : kFolders)
            testing_support::RemoveTree(Paths::Join(Folder(CSIDL_COMMON_PROGRAMS), folder));
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
        SetAutorun(false, L"x");
    }
    static HWND WaitForTrayWindow() {
        for (int i = 0; i < 200; ++i) {
            if (HWND tray = FindWindowW(L"VorizarTrayWndCls", nullptr)) return tray;
            Sleep(100);
        }
        return nullptr;
    }
    // The tray program the restore started must not outlive the test (it would hold the installation).
    void CloseTrayProgram() {
        if (!m_trayStarted) return;
        m_trayStarted = false;
        HWND tray = WaitForTrayWindow();
        if (!tray) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(tray, &pid);
        ScopedHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
        PostMessageW(tray, WM_CLOSE, 0, 0);
        if (process.IsValid() && WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0)
            TerminateProcess(process.Get(), 1);
    }
    bool RunRestore(const TempCopy& copy) {
        m_trayStarted = true;
        return copy.Run(L"/READYUNINSTALL /K");
    }
    std::string Record() { return ReadFileBytes(RecordPath()); }
    std::string LogText() { return ReadFileBytes(LogPath()); }
    void ExpectLink(const std::wstring& path, const std::wstring& target, int iconIndex) {
        LinkFacts facts;
        ASSERT_TRUE(ReadLink(path, &facts)) << Narrow(path);
        EXPECT_EQ(_wcsicmp(facts.target.c_str(), target.c_str()), 0) << Narrow(facts.target);
        EXPECT_EQ(_wcsicmp(facts.workingDir.c_str(), kInstallDir.c_str()), 0) << Narrow(facts.workingDir);
        EXPECT_EQ(facts.iconIndex, iconIndex) << Narrow(path);
    }
    // The restore's autorun: a logon task where the system makes one, else the HKLM `Run` value.
    void ExpectAutorun() {
        const std::string log = LogText();
        const std::wstring tray = Paths::Join(kInstallDir, L"vorizar.exe");
        if (log.find("Add auto run task schedule success, " + Narrow(tray) + "\r\n") != std::string::npos) {
            EXPECT_TRUE(Paths::Exists(TaskFile()));
        } else {
            EXPECT_NE(log.find("Add auto run register, " + Narrow(tray) + "\r\n"), std::string::npos) << log;
            EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kAutorunName), L"\"" + tray + L"\" /autorun --from=task");
        }
        wchar_t flag[8] = {};
        GetPrivateProfileStringW(L"auto_run", L"open", L"", flag, 8, Paths::Join(kInstallDir, L"config.set").c_str());
        EXPECT_STREQ(flag, L"1");
    }
    // The restore road runs without the 7-Zip library and never reaches the network library or the project.
    void ExpectRestoreRoadOnly(const TempCopy& copy) {
        const std::string log = LogText(), record = Record();
        for (const char* line : {"pre init check failed", "init config failed", "start uninstall thread", "illegal call"})
            EXPECT_EQ(log.find(line), std::string::npos) << line << "\n" << log;
        EXPECT_EQ(record.find("VarUZ.dll|loaded"), std::string::npos) << record;
        EXPECT_NE(WaitForTrayWindow(), nullptr) << "vorizar.exe was not started";
        EXPECT_NE(Record().find("vorizar.exe|\r\n"), std::string::npos) << Record();
        EXPECT_TRUE(copy.RemovedItself());
    }

    ScopedCom m_com;
    bool m_trayStarted = false;
};

TEST_F(RestoreE2ETest, UninstallRemovesEntriesAndKeepsForeignOnes) {
    ASSERT_NO_FATAL_FAILURE(Install(L"/channel=paperLite"));
    const std::wstring foreignShortcut = Paths::Join(Folder(CSIDL_COMMON_DESKTOPDIRECTORY), L"OtherProduct.lnk");
    ASSERT_TRUE(WriteFileBytes(foreignShortcut, "L"));
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kHklmRun, L"OtherProduct", L"other.exe"));
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kHklmRun, kAutorunName, L"s64", Registry::RegView::Native64));
    ASSERT_TRUE(Paths::Exists(TaskFile()));
    ASSERT_TRUE(Paths::Exists(Paths::Join(Folder(CSIDL_COMMON_DESKTOPDIRECTORY), L"KorveliaLite.lnk")));

    TempCopy copy(true);
    ASSERT_TRUE(copy.Run(L"/S /READYUNINSTALL /CHK=" + MakeCallerToken()));

    for (const wchar_t* name : kDesktopNames)
        for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY})
            EXPECT_FALSE(Paths::Exists(Paths::Join(Folder(csidl), name))) << Narrow(name);
    for (const wchar_t* folder : kFolders)
        EXPECT_FALSE(Paths::Exists(Paths::Join(Folder(CSIDL_COMMON_PROGRAMS), folder))) << Narrow(folder);
    EXPECT_FALSE(Registry::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, kAutorunName), L"<absent>");
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kAutorunName), L"<absent>");
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, L"wpapp"), L"<absent>");
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, L"wpapp", Registry::RegView::Native64), L"<absent>");
    EXPECT_FALSE(Paths::Exists(TaskFile()));

    EXPECT_TRUE(Paths::Exists(foreignShortcut));
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, L"OtherProduct"), L"other.exe");
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kAutorunName, Registry::RegView::Native64), L"s64");
    const std::string log = LogText();
    for (const char* line : {"Delete AutoRun Registry, ret = 1\r\n", "Delete AutoRun Task Schedule, ret = 1\r\n",
                             "Delete uninstall registry\r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    // The uninstall road does load the network library: the probe is seen when it is reached.
    EXPECT_NE(Record().find("VarUZ.dll|loaded"), std::string::npos) << Record();

    DeleteFileW(foreignShortcut.c_str());
    Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRun, L"OtherProduct");
    Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRun, kAutorunName, Registry::RegView::Native64);
}

TEST_F(RestoreE2ETest, RestoreRunRecreatesTheInstalledBrandingsEntries) {
    struct Case {
        const wchar_t* installArguments;
        const wchar_t* desktopShortcut;
        const wchar_t* folder;
        const wchar_t* programShortcut;
        const wchar_t* uninstallShortcut;
        int iconIndex;
        std::wstring displayIcon;
    } cases[] = {
        {L"/branding=vantelle /channel=paperLite", L"KorveliaLite.lnk", L"Korvelia", L"Korvelia.lnk",
         L"卸载Korvelia.lnk", 1, Paths::Join(kInstallDir, L"Utils\\vantelle.ico")},
        {L"/branding=orbwp /channel=paperLite", L"Orb壁纸.lnk", L"Orb安全中心\\Orb壁纸", L"Orb壁纸.lnk",
         L"卸载Orb壁纸.lnk", 0, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.installArguments));
        TearDown();
        SetUp();
        ASSERT_NO_FATAL_FAILURE(Install(c.installArguments));
        Damage();

        TempCopy copy(false);
        ASSERT_TRUE(RunRestore(copy));

        const std::wstring mainProgram = Paths::Join(kInstallDir, L"qalmex.exe");
        const std::wstring folder = Paths::Join(Folder(CSIDL_COMMON_PROGRAMS), c.folder);
        ExpectLink(Paths::Join(Folder(CSIDL_COMMON_DESKTOPDIRECTORY), c.desktopShortcut), mainProgram, c.iconIndex);
        ExpectLink(Paths::Join(folder, c.programShortcut), mainProgram, c.iconIndex);
        ExpectLink(Paths::Join(folder, c.uninstallShortcut), Paths::Join(kInstallDir, L"Uninstall.exe"), 0);
        EXPECT_EQ(EntryValue(L"DisplayIcon"), c.displayIcon);
        EXPECT_EQ(EntryValue(L"DisplayName"), L"");
        EXPECT_FALSE(EntryValue(L"DisplayVersion").empty());
        EXPECT_EQ(EntryValue(L"InstallLocation"), kInstallDir);
        EXPECT_EQ(EntryValue(L"UninstallString"), Paths::Join(kInstallDir, L"Uninstall.exe"));
        ExpectAutorun();
        ExpectRestoreRoadOnly(copy);
    }
}

TEST_F(RestoreE2ETest, RestoreWithoutMainProgramCreatesNoShortcutOrEntry) {
    ASSERT_NO_FATAL_FAILURE(Install(L"/channel=paperLite"));
    Damage();
    ASSERT_TRUE(DeleteFileW(Paths::Join(kInstallDir, L"qalmex.exe").c_str()));

    TempCopy copy(false);
    ASSERT_TRUE(RunRestore(copy));

    for (const wchar_t* name : kDesktopNames)
        EXPECT_FALSE(Paths::Exists(Paths::Join(Folder(CSIDL_COMMON_DESKTOPDIRECTORY), name))) << Narrow(name);
    EXPECT_FALSE(Paths::Exists(Paths::Join(Folder(CSIDL_COMMON_PROGRAMS), L"Korvelia\\Korvelia.lnk")));
    EXPECT_FALSE(Registry::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    // The autorun and the tray program do not depend on the main program.
    ExpectAutorun();
    ExpectRestoreRoadOnly(copy);
}

}  // namespace
