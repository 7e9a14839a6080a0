#include <gtest/gtest.h>
#include <shlobj.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/registry.h"
#include "tests/harness/testing.h"

namespace {

using testing_support::BinDir;

constexpr wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe";
constexpr wchar_t kUserSettingsKey[] = L"Software\\OrbWallPaper";
constexpr wchar_t kClassKey[] = L"Vantelle";

std::wstring AppDataDir() {
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

// Value names and data of a key, read back through the product's registry view.
std::map<std::wstring, std::wstring> ReadValues(const std::wstring& subKey) {
    std::map<std::wstring, std::wstring> values;
    ScopedRegKey key;
    if (Registry::OpenKey(HKEY_LOCAL_MACHINE, subKey, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[260];
        wchar_t data[1024] = {};
        DWORD nameChars = 260, dataBytes = sizeof(data) - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(key.Get(), index, name, &nameChars, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataBytes) != ERROR_SUCCESS)
            break;
        values[name] = data;
    }
    return values;
}

// The names the product's root-directory list gives, as kept in the source tree (UTF-16 with BOM).
std::set<std::wstring> RootDirListNames() {
    std::string bytes = testing_support::ReadFileBytes(
        Paths::Join(testing_support::SourceDir(), L"resources\\setup\\UninstallRootDirFileList.xml"));
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    std::set<std::wstring> names;
    const std::wstring marker = L"Name=\"";
    for (size_t at = text.find(marker); at != std::wstring::npos; at = text.find(marker, at + 1)) {
        size_t start = at + marker.size();
        names.insert(text.substr(start, text.find(L'"', start) - start));
    }
    return names;
}

std::wstring FileVersion(const std::wstring& path) {
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (block.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &size))
        return std::wstring();
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

// Every test installs into a scratch directory and takes the product's registry and user data away again.
class ProductInstallTest : public ::testing::Test {
protected:
    ProductInstallTest()
        : m_appPaths(HKEY_LOCAL_MACHINE, kAppPathsKey),
          m_settings(HKEY_CURRENT_USER, kUserSettingsKey),
          m_classes(HKEY_CLASSES_ROOT, kClassKey),
          m_installDir(m_scratch / L"Program Files\\Korvelia"),
          m_userDir(Paths::Join(AppDataDir(), L"Orbwp")) {
        testing_support::RemoveTree(m_userDir);
    }
    ~ProductInstallTest() override { testing_support::RemoveTree(m_userDir); }

    DWORD Install(const std::wstring& extraArguments) {
        return RunInstaller(L"\"/dir=" + m_installDir + L"\" " + extraArguments);
    }
    static DWORD RunInstaller(const std::wstring& arguments) {
        DWORD code = 99;
        std::wstring line = L"\"" + Paths::Join(BinDir(), L"korvel_setup.exe") + L"\" " + arguments;
        EXPECT_TRUE(testing_support::RunChild(line, 60000, &code)) << "the installer did not end";
        return code;
    }
    std::wstring Installed(const std::wstring& relative) const { return Paths::Join(m_installDir, relative); }

    testing_support::ScratchDir m_scratch;
    testing_support::ScopedRegistryTree m_appPaths, m_settings, m_classes;
    const std::wstring m_installDir;
    const std::wstring m_userDir;
};

// Read back through the product's registry view (Wine, like Windows, shares App Paths between the views).
TEST_F(ProductInstallTest, AppPathsKeyNamesTheInstallationDirectory) {
    ASSERT_EQ(Install(L""), 0u);
    std::wstring path, program;
    EXPECT_TRUE(Registry::ReadString(HKEY_LOCAL_MACHINE, kAppPathsKey, L"path", &path));
    EXPECT_EQ(path, m_installDir);
    EXPECT_TRUE(Registry::ReadString(HKEY_LOCAL_MACHINE, kAppPathsKey, L"", &program));
    EXPECT_EQ(program, Installed(L"qalmex.exe"));
}

// The built programs arrive unchanged, with their version resources; the uninstaller by default comes
// from the installer's own directory.
TEST_F(ProductInstallTest, ProgramsAreCopiesOfTheBuiltOnes) {
    ASSERT_EQ(Install(L""), 0u);
    const std::pair<const wchar_t*, const wchar_t*> programs[] = {
        {L"qalmex.exe", L"qalmex.exe"},       {L"vorizar.exe", L"vorizar.exe"},
        {L"Orbwpapp.exe", L"Orbwpapp.exe"},   {L"OrbwpCore.dll", L"OrbwpCore.dll"},
        {L"Utils\\7z.dll", L"7z.dll"},        {L"Utils\\OrbwpRender.dll", L"OrbwpRender.dll"},
        {L"Uninstall.exe", L"Uninstall.exe"}, {L"foreign_tool.exe", L"foreign_tool.exe"},
    };
    for (const auto& [installed, built] : programs) {
        std::string bytes = testing_support::ReadFileBytes(Installed(installed));
        EXPECT_FALSE(bytes.empty()) << installed;
        EXPECT_EQ(bytes, testing_support::ReadFileBytes(Paths::Join(BinDir(), built))) << installed;
    }
    for (const wchar_t* own :
         {L"qalmex.exe", L"vorizar.exe", L"Orbwpapp.exe", L"OrbwpCore.dll", L"Utils\\OrbwpRender.dll"})
        EXPECT_EQ(FileVersion(Installed(own)), KORVEL_PRODUCT_VERSION) << own;
}

// Top-level entries: those the root-directory list names, the signed library it does not name, the two
// that only the registry file list names, and the foreign ones that must survive an uninstall.
TEST_F(ProductInstallTest, TopLevelEntriesAgreeWithTheRootDirectoryList) {
    ASSERT_EQ(Install(L""), 0u);
    const std::set<std::wstring> listed = RootDirListNames();
    ASSERT_FALSE(listed.empty());
    for (const wchar_t* name : {L"qalmex.exe", L"vorizar.exe", L"Orbwpapp.exe", L"Uninstall.exe", L"config.set",
                                L"korvel.ico", L"license.txt", L"FileList.xml", L"Utils", L"skin", L"plugins",
                                L"update", L"config", L"cache", L"wallpaperhelper"}) {
        EXPECT_TRUE(Paths::Exists(Installed(name))) << name;
        EXPECT_EQ(listed.count(name), 1u) << name << " is not in the root-directory list";
    }
    for (const wchar_t* name :
         {L"OrbwpCore.dll", L"wpres.pak", L"logs", L"UserNotes.txt", L"OtherVendor", L"foreign_tool.exe"}) {
        EXPECT_TRUE(Paths::Exists(Installed(name))) << name;
        EXPECT_EQ(listed.count(name), 0u) << name << " must not be in the root-directory list";
    }
    EXPECT_TRUE(Paths::FileExists(Installed(L"OtherVendor\\settings.ini")));
    EXPECT_EQ(GetPrivateProfileIntW(L"auto_run", L"open", -1, Installed(L"config.set").c_str()), 1);
}

TEST_F(ProductInstallTest, RegistryFileListsNameInstalledEntries) {
    ASSERT_EQ(Install(L""), 0u);
    const auto fileList = ReadValues(std::wstring(kAppPathsKey) + L"\\file_list");
    const std::map<std::wstring, std::wstring> expectedFileList = {{L"wpres.pak", L""}, {L"logs", L""}};
    EXPECT_EQ(fileList, expectedFileList);
    EXPECT_TRUE(Paths::FileExists(Installed(L"wpres.pak")));
    EXPECT_TRUE(Paths::FileExists(Installed(L"logs\\run.log")));

    const auto filePe = ReadValues(std::wstring(kAppPathsKey) + L"\\file_pe");
    const std::map<std::wstring, std::wstring> expectedFilePe = {{L"vorizar.exe", L""}, {L"OrbwpCore.dll", L"core"}};
    EXPECT_EQ(filePe, expectedFilePe);
    for (const auto& entry : filePe) EXPECT_TRUE(Paths::FileExists(Installed(entry.first))) << entry.first;
}

// What the uninstaller does with the "file_pe" entries: a program gets its data and " /uninstall
// /product=korvel" and must end by itself; a library's "Uninst" export gets the data as its argument.
TEST_F(ProductInstallTest, FilePeEntriesUndoThemselvesAndRecordTheCall) {
    ASSERT_EQ(Install(L""), 0u);
    const std::wstring record = m_scratch / L"calls.txt";
    ASSERT_TRUE(SetEnvironmentVariableW(L"KORVEL_PRODUCT_RECORD", record.c_str()));

    DWORD code = 1;
    EXPECT_TRUE(
        testing_support::RunChild(L"\"" + Installed(L"vorizar.exe") + L"\"  /uninstall /product=korvel", 30000, &code));
    EXPECT_EQ(code, 0u);
    {
        ScopedModule library(LoadLibraryW(Installed(L"OrbwpCore.dll").c_str()));
        ASSERT_TRUE(library.IsValid());
        using UninstFunc = void(WINAPI*)(const wchar_t*);
        auto uninst = reinterpret_cast<UninstFunc>(GetProcAddress(library.Get(), "Uninst"));
        ASSERT_NE(uninst, nullptr);
        uninst(L"core");
    }
    SetEnvironmentVariableW(L"KORVEL_PRODUCT_RECORD", nullptr);
    EXPECT_EQ(testing_support::ReadFileBytes(record),
              "vorizar.exe|/uninstall /product=korvel\r\nOrbwpCore.dll|Uninst core\r\n");
}

TEST_F(ProductInstallTest, PerUserDataCacheAndSettings) {
    ASSERT_EQ(Install(L"/channel=paperTest"), 0u);
    const std::wstring config = Paths::Join(m_userDir, L"config.set");
    EXPECT_TRUE(Paths::FileExists(config));
    wchar_t interval[16] = {};
    GetPrivateProfileStringW(L"setting", L"interval", L"", interval, 16, config.c_str());
    EXPECT_STREQ(interval, L"30");
    EXPECT_TRUE(Paths::FileExists(Paths::Join(m_userDir, L"cef_cache\\Cache\\index")));
    EXPECT_TRUE(Paths::FileExists(Paths::Join(m_userDir, L"favorites\\list.json")));

    std::wstring channel, installPath;
    EXPECT_TRUE(Registry::ReadString(HKEY_CURRENT_USER, kUserSettingsKey, L"pid", &channel));
    EXPECT_EQ(channel, L"paperTest");
    EXPECT_TRUE(Registry::ReadString(HKEY_CURRENT_USER, kUserSettingsKey, L"InstallPath", &installPath));
    EXPECT_EQ(installPath, m_installDir);
    EXPECT_TRUE(Registry::KeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(ProductInstallTest, UninstallerGivenOnTheCommandLineIsInstalled) {
    const std::wstring given = m_scratch / L"given.exe";
    ASSERT_TRUE(testing_support::WriteFileBytes(given, "MZ stand-in uninstaller"));
    ASSERT_EQ(Install(L"\"/uninstaller=" + given + L"\""), 0u);
    EXPECT_EQ(testing_support::ReadFileBytes(Installed(L"Uninstall.exe")), "MZ stand-in uninstaller");
}

TEST_F(ProductInstallTest, FailuresAreReportedByTheExitCode) {
    EXPECT_EQ(Install(L"/unknown=1"), 1u);
    EXPECT_FALSE(Paths::Exists(m_installDir)) << "a bad command line installs nothing";
    EXPECT_EQ(RunInstaller(L"/dir=C:\\"), 1u);
    EXPECT_EQ(RunInstaller(L"/dir=Korvelia"), 1u);
    EXPECT_FALSE(Registry::KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey)) << "nor does a drive root or a relative path";

    EXPECT_EQ(Install(L"\"/uninstaller=" + (m_scratch / L"missing.exe") + L"\""), 1u);
    EXPECT_FALSE(Paths::Exists(Installed(L"Uninstall.exe")));
    EXPECT_TRUE(Paths::FileExists(Installed(L"qalmex.exe"))) << "the rest is still installed";
}

// The programs answer the close requests the setup project configures for their window classes.
struct CloseCase {
    const wchar_t* program;
    const wchar_t* options;
    const wchar_t* windowClass;
    UINT message;  // 0: the product's registered quit message, broadcast
    WPARAM wParam;
    bool exits;
};

class ProductProgramTest : public ProductInstallTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ProductProgramTest, AnswersCloseRequests) {
    const CloseCase& c = GetParam();
    ASSERT_EQ(Install(L""), 0u);
    const std::wstring ready = m_scratch / L"ready.txt";
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    std::wstring line = L"\"" + Installed(c.program) + L"\" \"/ready=" + ready + L"\" " + c.options;
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    for (int i = 0; i < 200 && !Paths::FileExists(ready); ++i) Sleep(50);
    ASSERT_TRUE(Paths::FileExists(ready));

    HWND window = FindWindowW(c.windowClass, nullptr);
    ASSERT_NE(window, nullptr);
    DWORD_PTR result = 0;
    if (c.message == 0)
        SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"Orbwallpaper_quit"), 0, 0);
    else
        SendMessageTimeoutW(window, c.message, c.wParam, 0, SMTO_NORMAL, 5000, &result);
    // Messages sent from one thread are handled in order: once this returns, the request was handled.
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);

    EXPECT_EQ(IsWindow(window) == FALSE, c.exits);
    if (c.exits) {
        EXPECT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process.Get(), &code);
        EXPECT_EQ(code, 0u);
    } else {
        EXPECT_EQ(WaitForSingleObject(process.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 5000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProductProgramTest,
    ::testing::Values(CloseCase{L"qalmex.exe", L"", L"QalmexMainWndCls", WM_COMMAND, 0x9C4B, true},
                      CloseCase{L"vorizar.exe", L"", L"VorizarTrayWndCls", WM_QUIT, 0, true},
                      CloseCase{L"Orbwpapp.exe", L"", L"OrbWallPaperCtrlCls", WM_CLOSE, 0, true},
                      CloseCase{L"Orbwpapp.exe", L"", L"OrbWallPaperCtrlCls", 0, 0, true},
                      CloseCase{L"qalmex.exe", L"/class=OrbWpSettingsWndCls", L"OrbWpSettingsWndCls", WM_CLOSE, 0,
                                true},
                      CloseCase{L"qalmex.exe", L"/close=ignore", L"QalmexMainWndCls", WM_CLOSE, 0, false},
                      CloseCase{L"Orbwpapp.exe", L"/quitmsg=ignore", L"OrbWallPaperCtrlCls", 0, 0, false}));

}  // namespace
