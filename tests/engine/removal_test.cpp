#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"
#include "config/root_dir_list.h"
#include "engine/file_remover.h"
#include "engine/removal_guard.h"
#include "tests/harness/testing.h"

using testing_support::BinDir;
using testing_support::ReadFileBytes;
using testing_support::ScopedRegistryTree;
using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";
constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kTestKey[] = L"SOFTWARE\\KorvelTests\\file_list";

std::string Ansi(const std::wstring& text, UINT codePage = CP_ACP) {
    int n = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(codePage, 0, text.c_str(), -1, result.data(), n, nullptr, nullptr);
    return result;
}

void Touch(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    ASSERT_TRUE(WriteFileBytes(path, "korvel")) << Ansi(path);
    SetFileAttributesW(path.c_str(), attributes);
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// "{XXXXXXXX-XXXX-xxxx-XXXX-XXXXXXXXXXXX}.tmp": upper-case hexadecimal except the third group.
bool IsAsideName(const std::wstring& name) {
    const std::wstring shape = L"{HHHHHHHH-HHHH-hhhh-HHHH-HHHHHHHHHHHH}.tmp";
    if (name.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        wchar_t c = name[i];
        if (shape[i] == L'H' && !((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'))) return false;
        if (shape[i] == L'h' && !((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
        if (shape[i] != L'H' && shape[i] != L'h' && shape[i] != c) return false;
    }
    return true;
}

std::vector<std::wstring> EntriesOf(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW(Paths::Join(dir, L"*").c_str(), &data));
    if (!find.IsValid()) return names;
    do {
        if (lstrcmpW(data.cFileName, L".") && lstrcmpW(data.cFileName, L"..")) names.push_back(data.cFileName);
    } while (FindNextFileW(find.Get(), &data));
    return names;
}

// The restart's pending renames; restored to what they were when the test ends.
class PendingRenames {
public:
    PendingRenames() : m_original(Raw(&m_existed)) {}
    ~PendingRenames() {
        ScopedRegKey key;
        if (Registry::OpenKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        if (m_existed)
            RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(m_original.data()),
                           static_cast<DWORD>(m_original.size() * sizeof(wchar_t)));
        else
            RegDeleteValueW(key.Get(), kPendingValue);
    }
    // True when the restart will delete `path` (a source entry with an empty target).
    bool SchedulesDeletion(const std::wstring& path) const {
        bool existed = false;
        std::wstring raw = Raw(&existed);
        std::vector<std::wstring> strings;
        for (size_t at = 0; at < raw.size();) {
            size_t end = raw.find(L'\0', at);
            if (end == std::wstring::npos) end = raw.size();
            strings.push_back(raw.substr(at, end - at));
            at = end + 1;
        }
        for (size_t i = 0; i + 1 < strings.size(); ++i)
            if (lstrcmpiW(strings[i].c_str(), (L"\\??\\" + path).c_str()) == 0 && strings[i + 1].empty()) return true;
        return false;
    }

private:
    static std::wstring Raw(bool* existed) {
        *existed = false;
        ScopedRegKey key;
        if (Registry::OpenKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return std::wstring();
        DWORD size = 0;
        if (RegQueryValueExW(key.Get(), kPendingValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return std::wstring();
        std::wstring raw(size / sizeof(wchar_t), L'\0');
        RegQueryValueExW(key.Get(), kPendingValue, nullptr, nullptr, reinterpret_cast<BYTE*>(raw.data()), &size);
        raw.resize(size / sizeof(wchar_t));
        *existed = true;
        return raw;
    }

    bool m_existed = false;
    std::wstring m_original;
};

std::set<std::wstring> RunOnceValueNames() {
    std::set<std::wstring> names;
    ScopedRegKey key;
    if (Registry::OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return names;
    wchar_t name[MAX_PATH];
    for (DWORD i = 0;; ++i) {
        DWORD length = MAX_PATH;
        if (RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.insert(name);
    }
    return names;
}

// A copy of the holder program at `path`, running until the object goes away.
class RunningProgram {
public:
    explicit RunningProgram(const std::wstring& path) {
        if (!CopyFileW(Paths::Join(BinDir(), L"removal_holder.exe").c_str(), path.c_str(), FALSE)) return;
        STARTUPINFOW si = {sizeof(si)};
        PROCESS_INFORMATION pi = {};
        std::wstring line = L"\"" + path + L"\"";
        if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                            &pi))
            return;
        m_process.Reset(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    ~RunningProgram() {
        if (!m_process.IsValid()) return;
        TerminateProcess(m_process.Get(), 0);
        WaitForSingleObject(m_process.Get(), 5000);
    }
    bool IsRunning() const { return m_process.IsValid() && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT; }

private:
    ScopedHandle m_process;
};

// A file held open without delete sharing: it can be neither deleted nor renamed.
ScopedHandle HoldBusy(const std::wstring& path) {
    return ScopedHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Temporarily points TMP (and so GetTempPathW, the aside directory) at `dir`.
class ScopedTempDir {
public:
    explicit ScopedTempDir(const std::wstring& dir) {
        wchar_t old[MAX_PATH] = {};
        m_had = GetEnvironmentVariableW(L"TMP", old, MAX_PATH) > 0;
        m_old = old;
        SetEnvironmentVariableW(L"TMP", dir.c_str());
    }
    ~ScopedTempDir() { SetEnvironmentVariableW(L"TMP", m_had ? m_old.c_str() : nullptr); }

private:
    bool m_had = false;
    std::wstring m_old;
};

// A root-directory list document (UTF-16 with BOM) loaded through the configuration's reader.
void LoadRootList(CUninstallRootDirList* list, const std::wstring& path, const std::vector<std::wstring>& dirs,
                  const std::vector<std::wstring>& files) {
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<RootDirFiles><Dir>";
    for (const auto& name : dirs) xml += L"<Item Name=\"" + name + L"\"/>";
    xml += L"</Dir><File>";
    for (const auto& name : files) xml += L"<Item Name=\"" + name + L"\"/>";
    xml += L"</File></RootDirFiles>\r\n";
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(xml.data()), xml.size() * sizeof(wchar_t));
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    ASSERT_TRUE(list->Load(path));
}

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger().Open(logPath);
        CreateDirectoryW(installDir.c_str(), nullptr);
    }
    std::string LogText() {
        Logger().WriteOut();
        return ReadFileBytes(logPath);
    }
    bool Logged(const std::wstring& line) { return LogText().find(Ansi(line)) != std::string::npos; }

    ScratchDir dir;
    std::wstring logPath = dir / L"korvel_uninst.log";
    std::wstring installDir = dir / L"Korvelia";
};

TEST_F(RemovalTest, SinglePathDeletesResetAttributesAndAcceptMissingPaths) {
    PendingRenames pending;
    std::wstring readOnly = installDir + L"\\config.set";
    Touch(readOnly, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    UndeletableList list;
    EXPECT_TRUE(DeleteOrCollect(readOnly, list));
    EXPECT_FALSE(Paths::Exists(readOnly));
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(Logged(L"DeleteFile:" + readOnly + L" suceesss"));

    Touch(readOnly, FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteFileOrSchedule(readOnly));
    EXPECT_FALSE(Paths::Exists(readOnly));

    std::wstring missing = installDir + L"\\missing.dll";
    EXPECT_TRUE(DeleteFileOrSchedule(missing));
    EXPECT_TRUE(DeleteFileOrDirectory(missing));
    EXPECT_TRUE(DeleteOrCollect(missing, list));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(pending.SchedulesDeletion(missing));

    std::wstring tree = installDir + L"\\skin";
    CreateDirectoryW(tree.c_str(), nullptr);
    Touch(tree + L"\\a.png");
    EXPECT_FALSE(DeleteFileOrDirectory(tree));  // not empty
    EXPECT_TRUE(DeleteOrCollect(tree, list));   // through the shell
    EXPECT_FALSE(Paths::Exists(tree));
    CreateDirectoryW(tree.c_str(), nullptr);
    EXPECT_TRUE(DeleteFileOrDirectory(tree));
    EXPECT_FALSE(Paths::Exists(tree));
}

TEST_F(RemovalTest, TreeRemovalsTakeEverythingBelow) {
    auto makeTree = [](const std::wstring& root) {
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW((root + L"\\sub").c_str(), nullptr);
        CreateDirectoryW((root + L"\\sub\\deeper").c_str(), nullptr);
        Touch(root + L"\\a.txt", FILE_ATTRIBUTE_READONLY);
        Touch(root + L"\\sub\\b.txt");
        Touch(root + L"\\sub\\deeper\\c.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
        SetFileAttributesW((root + L"\\sub").c_str(), FILE_ATTRIBUTE_READONLY);
        SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_READONLY);
    };
    std::wstring one = dir / L"one", two = dir / L"two", three = dir / L"three";
    makeTree(one);
    makeTree(two);
    makeTree(three);

    EXPECT_TRUE(RemoveTree(one));
    EXPECT_FALSE(Paths::Exists(one));
    EXPECT_TRUE(DeleteTreeStrict(two));
    EXPECT_FALSE(Paths::Exists(two));
    UndeletableList list;
    int files = 0;
    EXPECT_TRUE(DeleteTreeCollect(three, list, [&files] { ++files; }));
    EXPECT_FALSE(Paths::Exists(three));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(files, 3);

    std::wstring tooLong = dir.Path() + L"\\" + std::wstring(MAX_PATH, L'x');
    EXPECT_FALSE(RemoveTree(L""));
    EXPECT_FALSE(RemoveTree(tooLong));
    EXPECT_FALSE(DeleteTreeCollect(tooLong, list));
    EXPECT_FALSE(DeleteTreeStrict(dir / L"missing"));
}

TEST_F(RemovalTest, LockedEntriesAreReportedOrCollected) {
    std::wstring strict = dir / L"strict", collect = dir / L"collect";
    for (const auto& root : {strict, collect}) {
        CreateDirectoryW(root.c_str(), nullptr);
        Touch(root + L"\\free.txt");
    }
    ScopedHandle busyStrict = HoldBusy(strict + L"\\busy.dat");
    ScopedHandle busyCollect = HoldBusy(collect + L"\\busy.dat");
    ASSERT_TRUE(busyStrict.IsValid() && busyCollect.IsValid());

    EXPECT_FALSE(DeleteTreeStrict(strict));
    EXPECT_FALSE(Paths::Exists(strict + L"\\free.txt"));
    EXPECT_TRUE(Paths::Exists(strict + L"\\busy.dat"));

    UndeletableList list;
    int files = 0;
    EXPECT_TRUE(DeleteTreeCollect(collect, list, [&files] { ++files; }));
    EXPECT_EQ(files, 2);  // the busy file counts too
    EXPECT_EQ(list, (UndeletableList{collect + L"\\busy.dat", collect}));
    EXPECT_FALSE(Paths::Exists(collect + L"\\free.txt"));
}

TEST_F(RemovalTest, OnlyListedOrSignedTopLevelEntriesAreRemoved) {
    CUninstallRootDirList rootList;
    LoadRootList(&rootList, dir / L"rootdir.xml", {L"plugins"}, {L"QALMEX.EXE"});
    Touch(installDir + L"\\qalmex.exe");
    CreateDirectoryW((installDir + L"\\Plugins").c_str(), nullptr);
    CreateDirectoryW((installDir + L"\\Plugins\\deep").c_str(), nullptr);
    Touch(installDir + L"\\Plugins\\deep\\not_listed_anywhere.txt");
    ASSERT_TRUE(CopyFileW(Paths::Join(BinDir(), L"signature_probe_signed.exe").c_str(),
                          (installDir + L"\\signed_tool.exe").c_str(), FALSE));
    Touch(installDir + L"\\user notes.txt");
    CreateDirectoryW((installDir + L"\\Photos").c_str(), nullptr);
    Touch(installDir + L"\\Photos\\beach.jpg");

    int total = -1;
    ASSERT_TRUE(CountInstallDirFiles(installDir, &rootList, &total));
    EXPECT_EQ(total, 3);

    UndeletableList list;
    int handled = 0;
    DeleteInstallDirFiles(installDir, &rootList, list, [&handled] { ++handled; });
    EXPECT_EQ(handled, 3);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(EntriesOf(installDir).size(), 2u);
    EXPECT_TRUE(Paths::Exists(installDir + L"\\user notes.txt"));
    EXPECT_TRUE(Paths::Exists(installDir + L"\\Photos\\beach.jpg"));
    std::string log = LogText();
    EXPECT_EQ(Occurrences(log, "File NOT exists in xml: user notes.txt"), 2u);  // counting, then deleting
    EXPECT_EQ(Occurrences(log, "File NOT exists in xml: Photos"), 2u);
    EXPECT_NE(log.find(Ansi(L"Delete File: " + installDir + L"\\qalmex.exe")), std::string::npos);
    EXPECT_NE(log.find(Ansi(L"remove directory " + installDir + L" failed.")), std::string::npos);

    // Once only the product's entries are left, the directory itself goes.
    ASSERT_TRUE(testing_support::RemoveTree(installDir + L"\\Photos"));
    ASSERT_TRUE(DeleteFileW((installDir + L"\\user notes.txt").c_str()));
    handled = 0;
    DeleteInstallDirFiles(installDir, &rootList, list, [&handled] { ++handled; });
    EXPECT_EQ(handled, 0);
    EXPECT_FALSE(Paths::Exists(installDir));
    EXPECT_TRUE(Logged(L"remove directory " + installDir + L" suceess"));
}

TEST_F(RemovalTest, LockedProgramIsMovedAsideAndScheduledForTheRestart) {
    PendingRenames pending;
    std::set<std::wstring> runOnceBefore = RunOnceValueNames();
    std::wstring aside = dir / L"aside";
    CreateDirectoryW(aside.c_str(), nullptr);
    ScopedTempDir temp(aside);

    CUninstallRootDirList rootList;
    LoadRootList(&rootList, dir / L"rootdir.xml", {}, {L"qalmex.exe", L"OrbwpCore.dll", L"busy.dat"});
    std::wstring program = installDir + L"\\qalmex.exe", busyPath = installDir + L"\\busy.dat";
    RunningProgram running(program);
    ASSERT_TRUE(running.IsRunning());
    Touch(installDir + L"\\OrbwpCore.dll");
    ScopedHandle busy = HoldBusy(busyPath);
    ASSERT_TRUE(busy.IsValid());

    UndeletableList list;
    DeleteInstallDirFiles(installDir, &rootList, list, nullptr);
    EXPECT_FALSE(Paths::Exists(installDir + L"\\OrbwpCore.dll"));
    ASSERT_EQ(list.size(), 2u);

    EXPECT_TRUE(WriteRunOnceBatch(list, installDir));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(Paths::Exists(program));
    std::vector<std::wstring> moved = EntriesOf(aside);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_TRUE(IsAsideName(moved[0])) << Ansi(moved[0]);
    std::wstring movedPath = Paths::Join(aside, moved[0]);
    EXPECT_TRUE(pending.SchedulesDeletion(movedPath));
    EXPECT_TRUE(pending.SchedulesDeletion(busyPath));  // could not even be moved
    EXPECT_TRUE(pending.SchedulesDeletion(L"C:\\.temp"));
    EXPECT_EQ(RunOnceValueNames(), runOnceBefore);  // everything was scheduled: no batch
    EXPECT_TRUE(Logged(L"cut " + program + L" to " + movedPath + L" success"));
    EXPECT_TRUE(Logged(L"write " + movedPath + L" to pending success"));
    EXPECT_TRUE(Logged(L"cut " + busyPath + L" to temp failed, delete by pending"));
    EXPECT_TRUE(running.IsRunning());
}

bool NeverScheduled(const std::wstring&) { return false; }

// The batch that the last WriteRunOnceBatch registered (its RunOnce value is removed); checks that
// the value is named after the file, which lies in the Windows temporary directory.
std::wstring TakeRegisteredBatch(const std::set<std::wstring>& runOnceBefore) {
    std::vector<std::wstring> added;
    for (const auto& name : RunOnceValueNames())
        if (!runOnceBefore.count(name)) added.push_back(name);
    EXPECT_EQ(added.size(), 1u);
    if (added.size() != 1) return std::wstring();
    std::wstring batchPath;
    EXPECT_TRUE(Registry::ReadString(HKEY_LOCAL_MACHINE, kRunOnceKey, added[0], &batchPath));
    Registry::DeleteValue(HKEY_LOCAL_MACHINE, kRunOnceKey, added[0]);
    EXPECT_EQ(Paths::FileName(batchPath), added[0]);
    EXPECT_EQ(added[0].substr(0, 3), L"zyr");
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(Paths::ParentDirectory(batchPath).c_str(), Paths::Join(windows, L"Temp").c_str()), 0);
    return batchPath;
}

TEST_F(RemovalTest, UnscheduledLeftoversGoToTheRunOnceBatch) {
    std::set<std::wstring> runOnceBefore = RunOnceValueNames();
    std::wstring aside = dir / L"aside";
    CreateDirectoryW(aside.c_str(), nullptr);
    ScopedTempDir temp(aside);

    std::wstring program = installDir + L"\\qalmex.exe", binDir = installDir + L"\\bin";
    auto running = std::make_unique<RunningProgram>(program);
    ASSERT_TRUE(running->IsRunning());
    CreateDirectoryW(binDir.c_str(), nullptr);
    Touch(binDir + L"\\render.dat");
    UndeletableList list = {program, binDir};
    EXPECT_TRUE(WriteRunOnceBatch(list, installDir, NeverScheduled));

    std::wstring movedFile, movedDir;
    for (const std::wstring& name : EntriesOf(aside))
        (Paths::DirectoryExists(Paths::Join(aside, name)) ? movedDir : movedFile) = Paths::Join(aside, name);
    ASSERT_FALSE(movedFile.empty());
    ASSERT_FALSE(movedDir.empty());
    EXPECT_TRUE(Paths::Exists(movedDir + L"\\render.dat"));
    EXPECT_FALSE(Paths::Exists(installDir));
    std::wstring batchPath = TakeRegisteredBatch(runOnceBefore);
    ASSERT_FALSE(batchPath.empty());
    std::string expected = "del /q \"" + Ansi(movedFile) + "\" \r\n" + "rd /s /q \"" + Ansi(movedDir) + "\" \r\n" +
                           "rd /q \"C:\\.temp\" \r\n" + "del /q \"" + Ansi(batchPath) + "\" \r\n";
    EXPECT_EQ(ReadFileBytes(batchPath), expected);
    EXPECT_TRUE(Logged(L"write to runonce bat: " + movedFile));
    EXPECT_TRUE(Logged(L"write to runonce bat: " + batchPath));
    EXPECT_TRUE(Logged(L"write runonce bat to registry"));

    // What the next logon does: once the program has ended, the batch removes both and itself.
    running.reset();
    EXPECT_TRUE(testing_support::RunChild(L"cmd.exe /c " + batchPath, 30000));
    EXPECT_FALSE(Paths::Exists(movedFile));
    EXPECT_FALSE(Paths::Exists(movedDir));
    EXPECT_FALSE(Paths::Exists(batchPath));
    DeleteFileW(batchPath.c_str());
}

TEST_F(RemovalTest, BatchLinesUseTheThreadCodePageAndNeverAnAlteredPath) {
    LCID oldLocale = GetThreadLocale();
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT));
    struct {
        std::wstring asideName;
        std::wstring moved, batch;
        std::string bytes;
    } cases[] = {{L"卸载"}, {L"\x0E01\x0E02"}};  // GBK has the first name, not the second (Thai)
    for (auto& c : cases) {
        std::set<std::wstring> runOnceBefore = RunOnceValueNames();
        std::wstring aside = dir / c.asideName;
        CreateDirectoryW(aside.c_str(), nullptr);
        ScopedTempDir temp(aside);
        Touch(installDir + L"\\config.set");
        UndeletableList list = {installDir + L"\\config.set"};
        WriteRunOnceBatch(list, dir / L"not-installed", NeverScheduled);
        std::vector<std::wstring> moved = EntriesOf(aside);
        ASSERT_EQ(moved.size(), 1u);
        c.moved = Paths::Join(aside, moved[0]);
        c.batch = TakeRegisteredBatch(runOnceBefore);
        c.bytes = ReadFileBytes(c.batch);
        DeleteFileW(c.batch.c_str());
    }
    SetThreadLocale(oldLocale);

    std::string tail = "rd /q \"?:\\.temp\" \r\n";  // on the drive of the installation directory
    tail[7] = static_cast<char>(dir.Path()[0]);
    EXPECT_EQ(cases[0].bytes, "del /q \"" + Ansi(cases[0].moved, 936) + "\" \r\n" + tail + "del /q \"" +
                                  Ansi(cases[0].batch, 936) + "\" \r\n");
    EXPECT_NE(cases[0].bytes.find("\xD0\xB6\xD4\xD8"), std::string::npos);  // "卸载" in GBK

    // Only the short form of a path the code page cannot carry may appear, or no line at all.
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(cases[1].moved.c_str(), shortPath, MAX_PATH);
    BOOL lossy = FALSE;
    WideCharToMultiByte(936, 0, shortPath, -1, nullptr, 0, nullptr, &lossy);
    std::string movedLine = lossy ? "" : "del /q \"" + Ansi(shortPath, 936) + "\" \r\n";
    EXPECT_EQ(cases[1].bytes, movedLine + tail + "del /q \"" + Ansi(cases[1].batch, 936) + "\" \r\n");
    EXPECT_EQ(cases[1].bytes.find('?'), std::string::npos);
    if (lossy) {
        EXPECT_TRUE(Logged(L"runonce bat cannot hold"));
    }
}

TEST_F(RemovalTest, LockedFileOnAnotherDriveGoesToAHiddenDotTemp) {
    if (!Paths::DirectoryExists(L"D:\\")) GTEST_SKIP() << "no drive D: in this prefix";
    std::wstring otherDir = Paths::NewGuidTempName(L"D:\\");
    ASSERT_TRUE(CreateDirectoryW(otherDir.c_str(), nullptr));
    std::wstring program = otherDir + L"\\qalmex.exe", moved;
    {
        RunningProgram running(program);
        ASSERT_TRUE(running.IsRunning());
        EXPECT_FALSE(DeleteFileW(program.c_str()));
        EXPECT_TRUE(CutToTemp(program, &moved));
    }
    EXPECT_FALSE(Paths::Exists(program));
    EXPECT_EQ(Paths::ParentDirectory(moved), L"D:\\.temp");
    EXPECT_TRUE(IsAsideName(Paths::FileName(moved)));
    EXPECT_TRUE(GetFileAttributesW(L"D:\\.temp") & FILE_ATTRIBUTE_HIDDEN);
    DeleteFileW(moved.c_str());
    RemoveDirectoryW(otherDir.c_str());
}

TEST_F(RemovalTest, ProtectedDirectoriesAreRefused) {
    wchar_t windows[MAX_PATH] = {}, system[MAX_PATH] = {}, programFiles[MAX_PATH] = {}, profile[MAX_PATH] = {},
            documents[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles);
    SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile);
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents);
    wchar_t programFilesShort[MAX_PATH] = {};
    GetShortPathNameW(programFiles, programFilesShort, MAX_PATH);
    struct {
        std::wstring path;
        bool refused;
    } cases[] = {
        {L"C:\\", true},
        {L"c:", true},
        {L"D:\\\\", true},
        {windows, true},
        {std::wstring(windows) + L"\\", true},
        {std::wstring(system) + L"\\..", true},
        {L"\\\\?\\" + std::wstring(windows), true},
        {L"\\\\.\\C:\\", true},
        {system, true},
        {programFiles, true},
        {programFilesShort, true},
        {profile, true},
        {Paths::ParentDirectory(profile), true},  // the profiles folder
        {documents, true},
        {L"\\\\server\\share\\", true},
        {L"relative\\Korvelia", true},
        {L"", true},
        {installDir, false},
        {std::wstring(programFiles) + L"\\Orb\\Orbkorvel", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsProtectedDirectory(c.path), c.refused) << Ansi(c.path);

    // A canary that every filter would otherwise let through (listed, with the extension asked for).
    PendingRenames pending;
    ScopedRegistryTree fileList(HKEY_LOCAL_MACHINE, kTestKey);
    const std::wstring canary = L"korvel_canary.korvelcanary";
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestKey, canary, L""));
    CUninstallRootDirList rootList;
    LoadRootList(&rootList, dir / L"rootdir.xml", {}, {canary});
    for (const std::wstring& root : {std::wstring(L"C:\\"), std::wstring(windows), std::wstring(documents)}) {
        std::wstring path = Paths::Join(root, canary);
        Touch(path);
        UndeletableList list;
        int count = -1;
        EXPECT_FALSE(CountInstallDirFiles(root, &rootList, &count));
        EXPECT_EQ(count, -1);
        DeleteInstallDirFiles(root, &rootList, list, nullptr);
        DeleteRegistryListedFiles(root, kTestKey, list);
        EXPECT_FALSE(DeleteByExtensionOrSchedule(root, L".korvelcanary"));
        EXPECT_TRUE(Paths::FileExists(path)) << Ansi(root);
        EXPECT_TRUE(Logged(L"refuse to delete files in " + root));
        DeleteFileW(path.c_str());
    }
    // Whole-tree removals, tried on a folder whose loss would not break the test run.
    std::wstring path = Paths::Join(documents, canary);
    Touch(path);
    UndeletableList list;
    EXPECT_FALSE(RemoveTree(documents));
    EXPECT_FALSE(DeleteTreeStrict(documents));
    EXPECT_FALSE(DeleteTreeCollect(documents, list));
    ShellDeleteTree(documents);
    EXPECT_TRUE(Paths::FileExists(path));
    EXPECT_TRUE(list.empty());
    DeleteFileW(path.c_str());
}

TEST_F(RemovalTest, RegistryFileListStaysInsideTheInstallDir) {
    std::wstring deepInstall = dir / L"app";
    CreateDirectoryW(deepInstall.c_str(), nullptr);
    deepInstall += L"\\Korvelia";
    CreateDirectoryW(deepInstall.c_str(), nullptr);
    std::wstring outside = dir / L"outside.txt";
    Touch(outside);
    Touch(deepInstall + L"\\listed.txt", FILE_ATTRIBUTE_READONLY);
    CreateDirectoryW((deepInstall + L"\\Listed Dir").c_str(), nullptr);
    Touch(deepInstall + L"\\Listed Dir\\inner.txt");
    Touch(deepInstall + L"\\unlisted.txt");

    ScopedRegistryTree fileList(HKEY_LOCAL_MACHINE, kTestKey);
    const std::vector<std::wstring> names = {L"listed.txt",
                                             L"Listed Dir",
                                             L"..\\..\\outside.txt",
                                             L"Listed Dir\\..\\..\\..\\outside.txt",
                                             outside,
                                             L"C:outside.txt",
                                             L"/outside.txt",
                                             L"missing.txt",
                                             L""};
    for (const auto& name : names) ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kTestKey, name, L"x"));

    UndeletableList list;
    DeleteRegistryListedFiles(deepInstall, kTestKey, list);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(Paths::Exists(deepInstall + L"\\listed.txt"));
    EXPECT_FALSE(Paths::Exists(deepInstall + L"\\Listed Dir"));
    EXPECT_TRUE(Paths::Exists(deepInstall + L"\\unlisted.txt"));
    EXPECT_TRUE(Paths::Exists(outside));
    EXPECT_TRUE(Logged(L"refuse file list entry ..\\..\\outside.txt"));
    EXPECT_TRUE(Logged(L"refuse file list entry " + outside));
    for (const auto& name : names) {
        std::wstring value;
        EXPECT_TRUE(Registry::ReadString(HKEY_LOCAL_MACHINE, kTestKey, name, &value)) << Ansi(name);
    }
}

TEST_F(RemovalTest, ExtensionRemovalTakesOnlyThatExtensionAndSchedulesLockedFiles) {
    PendingRenames pending;
    CreateDirectoryW((installDir + L"\\sub").c_str(), nullptr);
    Touch(installDir + L"\\a.tmp");
    Touch(installDir + L"\\B.TMP", FILE_ATTRIBUTE_READONLY);
    Touch(installDir + L"\\sub\\d.tmp");
    Touch(installDir + L"\\keep.txt");
    Touch(installDir + L"\\keep.tmp.txt");
    std::wstring busyPath = installDir + L"\\sub\\busy.tmp";
    ScopedHandle busy = HoldBusy(busyPath);
    ASSERT_TRUE(busy.IsValid());

    EXPECT_TRUE(DeleteByExtensionOrSchedule(installDir, L".tmp"));
    for (const wchar_t* gone : {L"\\a.tmp", L"\\B.TMP", L"\\sub\\d.tmp"})
        EXPECT_FALSE(Paths::Exists(installDir + gone)) << Ansi(gone);
    EXPECT_TRUE(Paths::Exists(installDir + L"\\keep.txt"));
    EXPECT_TRUE(Paths::Exists(installDir + L"\\keep.tmp.txt"));
    EXPECT_TRUE(pending.SchedulesDeletion(busyPath));
    EXPECT_TRUE(Logged(L"delete file:" + busyPath + L" by pending:" + busyPath));
    EXPECT_FALSE(DeleteByExtensionOrSchedule(installDir, L""));
}

}  // namespace
