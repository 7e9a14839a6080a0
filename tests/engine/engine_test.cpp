#include <gtest/gtest.h>

#include <vector>

#include "base/paths.h"
#include "base/registry.h"
#include "base/ui_thread.h"
#include "engine/uninstall_task.h"
#include "tests/harness/testing.h"

namespace {

// Records what the engine reports, on the thread that receives it.
class RecordingCallback : public IUninstallCallback {
public:
    RecordingCallback() : realEnd(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~RecordingCallback() { CloseHandle(realEnd); }
    void OnUninstallStart() override { events.push_back(kStart); }
    void OnProgress(int value) override {
        events.push_back(value);
        uiThreadOnly &= GetCurrentThreadId() == uiThread;
    }
    void OnUninstallEnd() override { events.push_back(kEnd); }
    void OnRealUninstallEnd() override {
        realEndOnWorker = GetCurrentThreadId() != uiThread;
        SetEvent(realEnd);
    }

    static constexpr int kStart = -1, kEnd = -2;
    DWORD uiThread = GetCurrentThreadId();
    HANDLE realEnd;
    std::vector<int> events;
    bool uiThreadOnly = true;
    bool realEndOnWorker = false;
};

// Pumps the UI thread's messages until the engine's very last call.
bool PumpUntil(HANDLE event, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) return true;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return false;
}

TEST(UninstallerTest, ProgressFollowsTheSequenceAndEndsAt99) {
    testing_support::ScratchDir installDir;
    // Unsigned files that no list names stay; signed ones belong to the product and go, one progress step each.
    for (int i = 0; i < 5; ++i)
        testing_support::WriteFileBytes(installDir / (L"file" + std::to_wstring(i) + L".dat"), "x");
    std::wstring signedSource = Paths::Join(testing_support::BinDir(), L"7z.dll");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(CopyFileW(signedSource.c_str(), (installDir / (L"signed" + std::to_wstring(i) + L".dll")).c_str(), FALSE));

    ASSERT_TRUE(CreateUIThreadWindow());
    RecordingCallback callback;
    CUninstallTask task;
    task.SetInstallDir(installDir.Path().c_str());
    task.StartUninstall(&callback);
    ASSERT_TRUE(PumpUntil(callback.realEnd, 120000));

    const std::vector<int>& e = callback.events;
    ASSERT_GE(e.size(), 12u);
    std::vector<int> head(e.begin(), e.begin() + 8);
    EXPECT_EQ(head, (std::vector<int>{RecordingCallback::kStart, 1, 4, 5, 6, 7, 8, 9}));
    std::vector<int> tail(e.end() - 4, e.end());
    EXPECT_EQ(tail, (std::vector<int>{97, 98, 99, RecordingCallback::kEnd}));
    for (size_t i = 8; i + 4 < e.size(); ++i) {
        EXPECT_GE(e[i], 10);
        EXPECT_LE(e[i], 98);
        if (i > 8) EXPECT_GE(e[i], e[i - 1]);
    }
    EXPECT_EQ(e.size(), 12u + 3u) << "one progress value per deleted file";
    EXPECT_FALSE(Paths::Exists(installDir / L"signed0.dll"));
    EXPECT_TRUE(Paths::Exists(installDir / L"file0.dat"));
    EXPECT_TRUE(callback.uiThreadOnly);
    EXPECT_TRUE(callback.realEndOnWorker);
}

TEST(UninstallTaskTest, GameCenterFlagAndInstallDirRules) {
    CUninstallTask task;
    task.SetInstallDir(L"C:\\Korvelia");
    wchar_t buffer[16] = L"unchanged";
    task.GetInstallDir(buffer, 11);  // exactly the length: no room for the terminator
    EXPECT_STREQ(buffer, L"unchanged");
    task.GetInstallDir(buffer, 12);
    EXPECT_STREQ(buffer, L"C:\\Korvelia");
    task.SetInstallDir(nullptr);
    wcscpy(buffer, L"kept");
    task.GetInstallDir(buffer, 16);
    EXPECT_STREQ(buffer, L"kept");
    EXPECT_TRUE(task.QueryOption());
}

TEST(UninstallTaskTest, GameCenterVendorDecidesWhetherTheUninstallChoiceCounts) {
    constexpr wchar_t kKey[] = L"SOFTWARE\\ZYRGameCenter";
    testing_support::ScopedRegistryTree tree(HKEY_LOCAL_MACHINE, kKey);
    struct {
        const wchar_t* vendor;  // null: value missing
        bool ours;
    } cases[] = {{nullptr, false}, {L"", false}, {L"other", false}, {L"xxKoRvElyy", true}, {L"korvel", true}};
    for (const auto& c : cases) {
        Registry::DeleteValue(HKEY_LOCAL_MACHINE, kKey, L"VendorID");
        if (c.vendor) ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kKey, L"VendorID", c.vendor));
        CUninstallTask task;
        EXPECT_EQ(task.CheckGameCenterVendor() != FALSE, c.ours) << (c.vendor ? c.vendor : L"(missing)");
    }
    EXPECT_TRUE(CUninstallTask().IsGameCenterNotPlayed());
    ASSERT_TRUE(Registry::WriteString(HKEY_LOCAL_MACHINE, kKey, L"Played", L"1"));
    EXPECT_FALSE(CUninstallTask().IsGameCenterNotPlayed());
}

}  // namespace
