#include <gtest/gtest.h>

#include <climits>

#include "base/paths.h"
#include "base/scoped.h"
#include "config/setup_config.h"
#include "config/xml_archive.h"
#include "tests/config/config_test_support.h"

namespace {

using namespace test_resources;

bool InitFrom(CSetupConfig* config, UINT id, const wchar_t* project) {
    return config->Init(GetModuleHandleW(nullptr), id, L"SETUPCONFIG", project);
}

class SetupConfigTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadSevenZip()); }
    PrivateTempDir m_temp;
};

// The projects of tests/config/data, read from the cases archive.
class CasesProjectTest : public SetupConfigTest {
protected:
    void SetUp() override {
        SetupConfigTest::SetUp();
        ASSERT_TRUE(InitFrom(&m_config, kCases, L"cases.zyrprj"));
    }
    CSetupConfig m_config;
};

std::wstring Text(bool (CSetupConfig::*getter)(wchar_t*, size_t) const, const CSetupConfig& config) {
    wchar_t buffer[1024];
    return (config.*getter)(buffer, 1024) ? buffer : L"<false>";
}

TEST_F(SetupConfigTest, ProductArchiveAnswersEveryGetterAndItsDirectoryGoesWithTheObject) {
    std::wstring unpackDir;
    {
        CSetupConfig config;
        ASSERT_TRUE(InitFrom(&config, kProduct, L"korvel.zyrprj"));
        unpackDir = config.GetUnpackDir();
        EXPECT_TRUE(Paths::DirectoryExists(unpackDir));
        EXPECT_EQ(Paths::ParentDirectory(unpackDir) + L"\\", Paths::TempDirectory());

        EXPECT_EQ(Text(&CSetupConfig::GetMainApp, config), L"qalmex.exe");
        EXPECT_EQ(Text(&CSetupConfig::GetVersion, config), L"3.2.0.1");
        EXPECT_EQ(config.GetRegAppPathRoot(), HKEY_LOCAL_MACHINE);
        EXPECT_EQ(Text(&CSetupConfig::GetRegAppPathSubKey, config),
                  L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe");
        EXPECT_EQ(Text(&CSetupConfig::GetRegAppPathValue, config), L"path");
        EXPECT_EQ(config.GetMinimizeSpace(), 120);
        EXPECT_EQ(config.GetFileCount(), 214);
        EXPECT_EQ(config.GetFileListPath(), Paths::Join(unpackDir, L"FileList.xml"));
        EXPECT_EQ(config.GetRootDirListPath(), Paths::Join(unpackDir, L"UninstallRootDirFileList.xml"));

        CloseProgramItem close;
        ASSERT_EQ(config.GetCloseProgramCount(), 4u);
        ASSERT_TRUE(config.GetCloseProgram(0, &close));
        EXPECT_STREQ(close.windowClass, L"OrbWallPaperCtrlCls");
        ASSERT_TRUE(config.GetCloseProgram(1, &close));
        EXPECT_EQ(close.message, static_cast<UINT>(WM_COMMAND));
        EXPECT_EQ(close.wParam, 40011);

        CallProgramItem call;
        ASSERT_EQ(config.GetUninstProgramCount(), 3u);
        ASSERT_TRUE(config.GetUninstProgram(1, &call));
        EXPECT_STREQ(call.type, L"dll");
        EXPECT_STREQ(call.funcName, L"UninstallShell");
        EXPECT_EQ(config.GetInstProgramCount(), 0u) << "install-time lists are not read";
        EXPECT_EQ(config.GetCheckFileCount(), 0u);

        RundllItem rundll;  // the test machine runs 64-bit Windows
        ASSERT_EQ(config.GetRundllItemCount(), 2u);
        ASSERT_TRUE(config.GetRundllItem(0, &rundll));
        EXPECT_STREQ(rundll.fileName, L"Utils\\korvelext64.dll");

        IUninstallRootDirList* roots = config.GetRootDirList();
        EXPECT_EQ(roots->GetCount(), 20u);
        EXPECT_TRUE(roots->Contains(L"qalmex.exe"));
        EXPECT_TRUE(roots->Contains(L"UTILS"));
        EXPECT_FALSE(roots->Contains(L"Users"));
    }
    EXPECT_FALSE(Paths::Exists(unpackDir));
    EXPECT_TRUE(m_temp.Entries().empty());
}

// The project Uninstall.exe itself carries, read from the built executable.
TEST_F(SetupConfigTest, UninstallExeCarriesTheProductProject) {
    ScopedModule uninstaller(LoadLibraryExW(Paths::Join(testing_support::BinDir(), L"Uninstall.exe").c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(uninstaller.IsValid());
    CSetupConfig config;
    ASSERT_TRUE(config.Init(uninstaller.Get(), 209, L"SETUPCONFIG", L"korvel.zyrprj"));
    EXPECT_EQ(Text(&CSetupConfig::GetMainApp, config), L"qalmex.exe");
    EXPECT_EQ(config.GetRegAppPathRoot(), HKEY_LOCAL_MACHINE);
    EXPECT_GT(config.GetCloseProgramCount(), 0u);
    EXPECT_GT(config.GetUninstProgramCount(), 0u);
    EXPECT_GT(config.GetRundllItemCount(), 0u);
    EXPECT_TRUE(config.GetRootDirList()->Contains(L"Uninstall.exe"));
}

TEST_F(CasesProjectTest, IntegerAttributesAndMessageNames) {
    const struct {
        const wchar_t* windowClass;
        UINT message;
        int wParam, lParam, timeout;
    } expected[] = {
        {L"DecimalCls", WM_COMMAND, 40011, -5, 1500},   // decimal, negative
        {L"HexCls", WM_QUIT, 40011, 31, 2000},          // "0x9C4B", "0X1f"; Timeout missing
        {L"BlankHexCls", WM_CLOSE, 40011, 12, 2000},    // leading blank, leading tab; Message missing
        {L"BarePrefixCls", WM_CLOSE, 0, 40011, 2000},   // "wm_quit" unrecognised; "0x"; hex stops at 'Z'
        {L"LongHexCls", WM_CLOSE, 0, 12, -1},           // "0x" + 9 digits is decimal; "12abc"; "0xFFFFFFFF"
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        CloseProgramItem item;
        ASSERT_TRUE(m_config.GetCloseProgram(i, &item)) << i;
        EXPECT_STREQ(item.windowClass, expected[i].windowClass);
        EXPECT_EQ(item.message, expected[i].message) << item.windowClass;
        EXPECT_EQ(item.wParam, expected[i].wParam) << item.windowClass;
        EXPECT_EQ(item.lParam, expected[i].lParam) << item.windowClass;
        EXPECT_EQ(item.timeout, expected[i].timeout) << item.windowClass;
    }
    EXPECT_EQ(m_config.GetMinimizeSpace(), 0x40);
    EXPECT_EQ(m_config.GetFileCount(), 321);
}

TEST(XmlIntTest, ParsesLikeTheProductsReader) {
    const struct {
        const wchar_t* text;
        int value;
    } cases[] = {
        {L"40011", 40011}, {L"0x9C4B", 40011}, {L" 0x9C4B", 40011}, {L"\t 0x9c4b", 40011}, {L"0x", 0},
        {L"0X", 0},        {L"0xG1", 0},       {L"0x7FFFFFFF", INT_MAX}, {L"0x80000000", INT_MIN},
        {L"0x123456789", 0}, {L"+17", 17},     {L"-17", -17},       {L" -0x10", 0},   {L"12abc", 12},
        {L"abc", 0},       {L"", 0},           {L"99999999999", INT_MAX}, {L"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseXmlInt(c.text), c.value) << c.text;
}

TEST_F(CasesProjectTest, LengthLimitsSkipItemsOneByOne) {
    // Close programs: the 196-character class is skipped, the 195-character one and the bare item stay.
    ASSERT_EQ(m_config.GetCloseProgramCount(), 7u);
    CloseProgramItem close;
    ASSERT_TRUE(m_config.GetCloseProgram(5, &close));
    EXPECT_EQ(std::wstring(close.windowClass), std::wstring(195, L'K'));
    ASSERT_TRUE(m_config.GetCloseProgram(6, &close));
    EXPECT_STREQ(close.windowClass, L"");
    EXPECT_EQ(close.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(close.wParam, 0x168);
    EXPECT_EQ(close.lParam, 0x168);
    EXPECT_EQ(close.timeout, 2000);

    // Call programs: a 260-character parameter skips its item; 259 characters fit.
    ASSERT_EQ(m_config.GetUninstProgramCount(), 4u);
    CallProgramItem call;
    ASSERT_TRUE(m_config.GetUninstProgram(0, &call));
    EXPECT_STREQ(call.fileName, L"Utils\\helper.exe");
    EXPECT_STREQ(call.cmdline, L"/uninstall /s");
    EXPECT_STREQ(call.signType, L"Qalmex Network Technology Co., Ltd.");
    EXPECT_EQ(call.waitTime, 120000);
    EXPECT_EQ(call.sync, 0);
    ASSERT_TRUE(m_config.GetUninstProgram(1, &call));
    EXPECT_STREQ(call.para, L"/quiet");
    EXPECT_EQ(call.sync, 1);
    ASSERT_TRUE(m_config.GetUninstProgram(2, &call));
    EXPECT_EQ(std::wstring(call.fileName).size(), 259u);
    ASSERT_TRUE(m_config.GetUninstProgram(3, &call));
    EXPECT_STREQ(call.fileName, L"");
    EXPECT_EQ(call.waitTime, 0);
    EXPECT_EQ(call.sync, 1);
}

TEST_F(CasesProjectTest, RundllItemsFollowTheBitnessOfWindows) {
    // 64-bit Windows: "32", a missing System, " 64" and the over-long item are dropped.
    ASSERT_EQ(m_config.GetRundllItemCount(), 2u);
    RundllItem item;
    ASSERT_TRUE(m_config.GetRundllItem(0, &item));
    EXPECT_STREQ(item.fileName, L"Utils\\ext64.dll");
    EXPECT_STREQ(item.entry, L"Unregister");
    EXPECT_STREQ(item.cmdline, L"/s");
    EXPECT_EQ(item.waitTime, 3000);
    ASSERT_TRUE(m_config.GetRundllItem(1, &item));
    EXPECT_STREQ(item.fileName, L"Utils\\second64.dll");
    EXPECT_EQ(item.waitTime, 0);
    EXPECT_FALSE(m_config.GetRundllItem(2, &item));
    EXPECT_STREQ(item.fileName, L"") << "zeroed";
}

TEST_F(CasesProjectTest, MissingSectionsGiveTheDefaults) {
    CSetupConfig config;
    ASSERT_TRUE(InitFrom(&config, kCases, L"defaults.zyrprj"));
    EXPECT_EQ(config.GetMinimizeSpace(), 100);
    EXPECT_EQ(config.GetFileCount(), 200);
    EXPECT_EQ(config.GetRegAppPathRoot(), HKEY_LOCAL_MACHINE) << "an unknown root name";
    EXPECT_EQ(Text(&CSetupConfig::GetMainApp, config), L"");
    EXPECT_EQ(Text(&CSetupConfig::GetVersion, config), L"");
    EXPECT_EQ(config.GetCloseProgramCount(), 0u);
    EXPECT_EQ(config.GetUninstProgramCount(), 0u);
    EXPECT_EQ(config.GetRundllItemCount(), 0u);
    EXPECT_EQ(config.GetRootDirList()->GetCount(), 6u);

    EXPECT_EQ(m_config.GetRegAppPathRoot(), HKEY_CURRENT_USER) << "root names ignore case";
    EXPECT_EQ(Text(&CSetupConfig::GetRegAppPathSubKey, m_config), L"Software\\KorvelCases");
    EXPECT_EQ(Text(&CSetupConfig::GetRegAppPathValue, m_config), L"InstallPath");
}

TEST_F(CasesProjectTest, TextAndRecordGettersCopyOnlyWhatFits) {
    const std::wstring mainApp = L"casesmain.exe";
    wchar_t buffer[32];
    wcscpy(buffer, L"old");
    EXPECT_FALSE(m_config.GetMainApp(buffer, mainApp.size())) << "no room for the terminator";
    EXPECT_STREQ(buffer, L"");
    EXPECT_TRUE(m_config.GetMainApp(buffer, mainApp.size() + 1));
    EXPECT_EQ(buffer, mainApp);
    EXPECT_FALSE(m_config.GetMainApp(nullptr, 32));

    CloseProgramItem close;
    memset(&close, 0xAB, sizeof(close));
    EXPECT_FALSE(m_config.GetCloseProgram(m_config.GetCloseProgramCount(), &close));
    EXPECT_EQ(close.message, 0u);
    EXPECT_EQ(close.windowClass[0], L'\0');
    CallProgramItem call;
    memset(&call, 0xAB, sizeof(call));
    EXPECT_FALSE(m_config.GetInstProgram(0, &call));
    EXPECT_EQ(call.sync, 0);
    wcscpy(buffer, L"old");
    EXPECT_FALSE(m_config.GetCheckFile(0, buffer, 32));
    EXPECT_STREQ(buffer, L"");
}

// Every broken project makes Init false without a crash; the loaded object keeps its contents.
TEST_F(CasesProjectTest, BrokenProjectsAndArchivesFailTheInit) {
    const struct {
        UINT id;
        const wchar_t* project;
    } broken[] = {
        {kCases, L"missing_list.zyrprj"},  // its root-directory list is not in the archive
        {kCases, L"bad_list.zyrprj"},      // its root-directory list is not well-formed
        {kCases, L"malformed.zyrprj"},     // not well-formed
        {kCases, L"absent.zyrprj"},        // not in the archive
        {kEmpty, L"cases.zyrprj"},         {kCorrupt, L"cases.zyrprj"},
        {kDotDot, L"inside.txt"},          {kPlainXml, L"roots.xml"},
        {999, L"cases.zyrprj"},
    };
    for (const auto& b : broken) {
        EXPECT_FALSE(InitFrom(&m_config, b.id, b.project)) << b.id << " " << b.project;
        EXPECT_EQ(m_config.GetCloseProgramCount(), 7u) << b.project;
        EXPECT_EQ(m_config.GetRootDirList()->GetCount(), 6u) << b.project;
    }
}

TEST_F(SetupConfigTest, LoadRefusesEmptyMissingAndOverlongPaths) {
    CSetupConfig config;
    EXPECT_FALSE(config.Load(L""));
    EXPECT_FALSE(config.Load(DataFile(L"nothing.zyrprj")));
    // An existing file named through enough ".\\" components to reach 512 characters.
    std::wstring overlong = DataFile(L"");
    while (overlong.size() + std::wstring(L"cases.zyrprj").size() < CSetupConfig::kMaxProjectPath) overlong += L".\\";
    overlong += L"cases.zyrprj";
    ASSERT_TRUE(Paths::FileExists(overlong));
    EXPECT_FALSE(config.Load(overlong));
    EXPECT_TRUE(config.Load(DataFile(L"cases.zyrprj"))) << "read in place, beside its list";
    EXPECT_EQ(config.GetCloseProgramCount(), 7u);
    EXPECT_EQ(config.GetUnpackDir(), L"");
}

TEST_F(SetupConfigTest, EachInitUnpacksAfreshAndDropsTheFormerDirectory) {
    CSetupConfig first, second;
    ASSERT_TRUE(InitFrom(&first, kProduct, L"korvel.zyrprj"));
    ASSERT_TRUE(InitFrom(&second, kProduct, L"korvel.zyrprj"));
    EXPECT_NE(first.GetUnpackDir(), second.GetUnpackDir());
    const std::wstring former = first.GetUnpackDir();
    ASSERT_TRUE(InitFrom(&first, kCases, L"cases.zyrprj"));
    EXPECT_FALSE(Paths::Exists(former));
    EXPECT_EQ(m_temp.Entries().size(), 2u);
}

}  // namespace
