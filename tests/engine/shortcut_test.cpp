#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"
#include "base/sysinfo.h"
#include "engine/autorun.h"
#include "engine/product_restore.h"
#include "engine/shortcut_removal.h"
#include "engine/step_families.h"
#include "engine/uninstall_entry.h"
#include "tests/harness/testing.h"

namespace {

using testing_support::BinDir;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

constexpr wchar_t kAppPaths[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe";
constexpr wchar_t kHklmRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring Folder(int csidl) { return ShellFolder(csidl); }
std::wstring CommonDesktop() { return Folder(CSIDL_COMMON_DESKTOPDIRECTORY); }
std::wstring CommonPrograms() { return Folder(CSIDL_COMMON_PROGRAMS); }
std::wstring TaskFile(const std::wstring& name) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return Paths::Join(Paths::Join(system, L"tasks"), name);
}

std::wstring RunValue(HKEY root, const std::wstring& name, Registry::RegView view = Registry::RegView::Product) {
    std::wstring value;
    return Registry::ReadString(root, kRunKey, name, &value, 0, view) ? value : L"<absent>";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// What a shell link says about itself.
struct LinkFacts {
    std::wstring target, workingDir, iconPath;
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
    facts->iconPath = buffer;
    return true;
}

std::wstring LongPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    return GetLongPathNameW(path.c_str(), buffer, MAX_PATH) ? buffer : path;
}

// Leaves no shortcut, folder, autorun or uninstall entry of either branding behind.
void CleanProductEntries() {
    RemoveDesktopShortcuts();
    RemoveProgramsFolders(CSIDL_COMMON_PROGRAMS, true);
    RemoveProgramsFolders(CSIDL_PROGRAMS, true);
    SetAutorun(false, L"x");
    Registry::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
}

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        CleanProductEntries();
        Logger().Open(m_log);
    }
    void TearDown() override {
        CleanProductEntries();
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, kAppPaths);
        Registry::DeleteTree(HKEY_CURRENT_USER, L"Software\\OrbWallPaper");
    }
    std::string LogText() { return ReadFileBytes(m_log); }

    ScopedCom m_com;
    ScratchDir m_scratch;
    std::wstring m_log = m_scratch / L"uninst.log";
};

TEST_F(ShortcutTest, RemovalTakesTheProductsShortcutsAndFoldersOnly) {
    const std::wstring userDesktop = Folder(CSIDL_DESKTOPDIRECTORY);
    const std::wstring programs = CommonPrograms();
    for (const std::wstring& file :
         {Paths::Join(userDesktop, L"KorveliaLite.lnk"), Paths::Join(CommonDesktop(), L"Orb壁纸.lnk"),
          Paths::Join(userDesktop, L"Other.lnk"), Paths::Join(programs, L"Korvelia\\Korvelia.lnk"),
          Paths::Join(programs, L"Orb安全中心\\Orb壁纸\\Orb壁纸.lnk"), Paths::Join(programs, L"Orb安全中心\\Other\\x.lnk")}) {
        SHCreateDirectoryExW(nullptr, Paths::ParentDirectory(file).c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(file, "L"));
    }

    RemoveDesktopShortcuts();
    RemoveStartMenuFolders();

    EXPECT_FALSE(Paths::Exists(Paths::Join(userDesktop, L"KorveliaLite.lnk")));
    EXPECT_FALSE(Paths::Exists(Paths::Join(CommonDesktop(), L"Orb壁纸.lnk")));
    EXPECT_FALSE(Paths::Exists(Paths::Join(programs, L"Korvelia")));
    EXPECT_FALSE(Paths::Exists(Paths::Join(programs, L"Orb安全中心\\Orb壁纸")));
    EXPECT_TRUE(Paths::Exists(Paths::Join(userDesktop, L"Other.lnk")));
    EXPECT_TRUE(Paths::Exists(Paths::Join(programs, L"Orb安全中心\\Other\\x.lnk")));
    DeleteFileW(Paths::Join(userDesktop, L"Other.lnk").c_str());
    testing_support::RemoveTree(Paths::Join(programs, L"Orb安全中心"));
}

TEST_F(ShortcutTest, AutorunRemovalTakesTheProductsValuesTaskAndFlag) {
    const std::wstring ini = m_scratch / L"config.set";
    ASSERT_TRUE(WriteFileBytes(ini, "[auto_run]\r\nopen=1\r\n"));
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        ASSERT_TRUE(Registry::WriteString(root, kRunKey, kAutorunName, L"\"C:\\p\\vorizar.exe\" /autorun"));
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kHklmRun, L"wpapp", L"w"));
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kHklmRun, L"ForeignApp", L"f"));
    if (Is64BitOs()) {
        ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kHklmRun, L"wpapp", L"w64", Registry::RegView::Native64));
        ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kHklmRun, kAutorunName, L"s64", Registry::RegView::Native64));
    }

    RemoveAutorun(m_scratch.Path());

    wchar_t flag[8] = {};
    GetPrivateProfileStringW(L"auto_run", L"open", L"", flag, 8, ini.c_str());
    EXPECT_STREQ(flag, L"0");
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, kAutorunName), L"<absent>");
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kAutorunName), L"<absent>");
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, L"wpapp"), L"<absent>");
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, L"ForeignApp"), L"f");
    if (Is64BitOs()) {
        EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, L"wpapp", Registry::RegView::Native64), L"<absent>");
        // Only "wpapp" is looked for in the 64-bit view.
        EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kAutorunName, Registry::RegView::Native64), L"s64");
        Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRun, kAutorunName, Registry::RegView::Native64);
    }
    Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRun, L"ForeignApp");
    std::string log = LogText();
    EXPECT_NE(log.find("Delete AutoRun Registry, ret = 1\r\n"), std::string::npos) << log;
    // No task of that name existed: the folder was still reached.
    EXPECT_NE(log.find("Delete AutoRun Task Schedule, ret = 1\r\n"), std::string::npos) << log;
}

TEST_F(ShortcutTest, SetAutorunMakesATaskOrFallsBackToTheRunValue) {
    const std::wstring program = m_scratch / L"vorizar.exe";
    EXPECT_FALSE(SetAutorun(true, L""));
    for (const std::wstring& given : {program, L"\"" + program + L"\""}) {
        SetAutorun(false, program);
        ASSERT_TRUE(SetAutorun(true, given, L"", L"", 60)) << Narrow(given);
        std::string log = LogText();
        if (log.find("Add auto run task schedule success, " + Narrow(program) + "\r\n") != std::string::npos) {
            EXPECT_TRUE(Paths::Exists(TaskFile(kAutorunName)));
        } else {
            // The task service refused the logon task: the HKLM value carries the command instead.
            EXPECT_NE(log.find("Add auto run register, " + Narrow(program) + "\r\n"), std::string::npos) << log;
            EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kAutorunName), L"\"" + program + L"\" /autorun --from=task");
        }
    }
    EXPECT_TRUE(SetAutorun(false, program));
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, kAutorunName), L"<absent>");
    EXPECT_FALSE(Paths::Exists(TaskFile(kAutorunName)));
}

// An installation directory with the main program (a versioned build of the simulated product) and
// the uninstaller, registered under the App Paths key.
class RestoreTest : public ShortcutTest {
protected:
    void Register(const wchar_t* productName, const wchar_t* channel, bool withMainProgram = true) {
        if (withMainProgram)
            ASSERT_TRUE(CopyFileW(Paths::Join(BinDir(), L"qalmex.exe").c_str(), MainProgram().c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(m_scratch / L"Uninstall.exe", "MZ"));
        ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kAppPaths, L"path", m_scratch.Path()));
        if (productName) ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kAppPaths, L"ProductName", productName));
        ASSERT_TRUE(Registry::WriteString(HKEY_CURRENT_USER, L"Software\\OrbWallPaper", L"pid", channel));
    }
    std::wstring MainProgram() { return m_scratch / L"qalmex.exe"; }
    std::wstring EntryValue(const wchar_t* name) {
        std::wstring value;
        return Registry::ReadString(HKEY_LOCAL_MACHINE, kUninstallEntryKey, name, &value) ? value : L"<absent>";
    }
    void ExpectLink(const std::wstring& path, const std::wstring& target, int iconIndex) {
        LinkFacts facts;
        ASSERT_TRUE(ReadLink(path, &facts)) << Narrow(path);
        EXPECT_EQ(_wcsicmp(facts.target.c_str(), target.c_str()), 0) << Narrow(facts.target);
        EXPECT_EQ(_wcsicmp(facts.workingDir.c_str(), m_scratch.Path().c_str()), 0) << Narrow(facts.workingDir);
        EXPECT_EQ(_wcsicmp(LongPath(facts.iconPath).c_str(), LongPath(target).c_str()), 0) << Narrow(facts.iconPath);
        EXPECT_EQ(facts.iconIndex, iconIndex);
    }
};

TEST_F(RestoreTest, EachBrandingGetsItsShortcutsAndUninstallEntry) {
    struct Case {
        const wchar_t* productName;
        const wchar_t* channel;
        const wchar_t* desktopShortcut;
        const wchar_t* folder;
        const wchar_t* programShortcut;
        const wchar_t* uninstallShortcut;
        int iconIndex;
        bool vantelleIcon;
    } cases[] = {
        {L"VANTELLE", L"paperlite", L"KorveliaLite.lnk", L"Korvelia", L"Korvelia.lnk", L"卸载Korvelia.lnk", 1, true},
        {L"vantelle", L"orbwp_main", L"Korvelia.lnk", L"Korvelia", L"Korvelia.lnk", L"卸载Korvelia.lnk", 1, true},
        {L"orbwp", L"paperLite", L"Orb壁纸.lnk", L"Orb安全中心\\Orb壁纸", L"Orb壁纸.lnk", L"卸载Orb壁纸.lnk", 0, false},
        {nullptr, L"paperLite", L"Orb壁纸.lnk", L"Orb安全中心\\Orb壁纸", L"Orb壁纸.lnk", L"卸载Orb壁纸.lnk", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.desktopShortcut) + (c.productName ? Narrow(c.productName) : "no product name"));
        CleanProductEntries();
        Registry::DeleteTree(HKEY_LOCAL_MACHINE, kAppPaths);
        Register(c.productName, c.channel);
        // A shortcut of the other branding goes first.
        ASSERT_TRUE(WriteFileBytes(Paths::Join(Folder(CSIDL_DESKTOPDIRECTORY), c.iconIndex ? L"Orb壁纸.lnk" : L"Korvelia.lnk"), "L"));

        CProductRestore restore;
        restore.RestoreProduct();

        const std::wstring folder = Paths::Join(CommonPrograms(), c.folder);
        ExpectLink(Paths::Join(CommonDesktop(), c.desktopShortcut), MainProgram(), c.iconIndex);
        ExpectLink(Paths::Join(folder, c.programShortcut), MainProgram(), c.iconIndex);
        ExpectLink(Paths::Join(folder, c.uninstallShortcut), m_scratch / L"Uninstall.exe", 0);
        for (const wchar_t* other : kDesktopShortcutNames)
            if (wcscmp(other, c.desktopShortcut) != 0) {
                EXPECT_FALSE(Paths::Exists(Paths::Join(CommonDesktop(), other))) << Narrow(other);
                EXPECT_FALSE(Paths::Exists(Paths::Join(Folder(CSIDL_DESKTOPDIRECTORY), other))) << Narrow(other);
            }

        EXPECT_EQ(EntryValue(L"DisplayIcon"), c.vantelleIcon ? m_scratch / L"Utils\\vantelle.ico" : L"");
        EXPECT_EQ(EntryValue(L"DisplayName"), L"");
        // The simulated product carries a version resource; on a 64-bit system this is its fixed version.
        EXPECT_FALSE(EntryValue(L"DisplayVersion").empty());
        EXPECT_EQ(EntryValue(L"DisplayVersion"), GetFileVersionText(MainProgram()));
        EXPECT_EQ(EntryValue(L"InstallLocation"), m_scratch.Path());
        EXPECT_EQ(EntryValue(L"Publisher"), L"");
        EXPECT_EQ(EntryValue(L"UninstallString"), m_scratch / L"Uninstall.exe");
        EXPECT_EQ(EntryValue(L"URLInfoAbout"), L"");
        // Every value carries its terminating NUL, the empty ones too.
        for (const wchar_t* name : {L"DisplayName", L"InstallLocation", L"URLInfoAbout"}) {
            ScopedRegKey key;
            ASSERT_EQ(Registry::OpenKey(HKEY_LOCAL_MACHINE, kUninstallEntryKey, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
            DWORD type = 0, bytes = 0;
            ASSERT_EQ(RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(bytes, (EntryValue(name).size() + 1) * sizeof(wchar_t)) << Narrow(name);
        }
    }
}

TEST_F(RestoreTest, MissingMainProgramOrDirectoryCreatesNothing) {
    Register(L"vantelle", L"paperLite", false);
    CProductRestore restore;
    restore.RestoreProduct();
    for (const wchar_t* name : kDesktopShortcutNames) EXPECT_FALSE(Paths::Exists(Paths::Join(CommonDesktop(), name)));
    EXPECT_FALSE(Paths::Exists(Paths::Join(CommonPrograms(), L"Korvelia\\卸载Korvelia.lnk")));
    EXPECT_FALSE(Registry::KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));

    // A registered directory that is gone: only the autorun is made.
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kAppPaths, L"path", m_scratch / L"gone"));
    CProductRestore gone;
    gone.RestoreProduct();
    EXPECT_FALSE(Registry::KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_TRUE(gone.EnableAutorun());
    const std::string log = LogText();
    EXPECT_TRUE(log.find("Add auto run task schedule success, " + Narrow(m_scratch / L"gone\\vorizar.exe")) != std::string::npos ||
                RunValue(HKEY_LOCAL_MACHINE, kAutorunName) == L"\"" + (m_scratch / L"gone\\vorizar.exe") + L"\" /autorun --from=task")
        << log;
}

}  // namespace
