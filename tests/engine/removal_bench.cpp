// Removal benchmark: the engine's removal of an installation directory (count, then delete with the
// root-directory filter, per-file progress and log lines) against a bare FindFirstFileW / DeleteFileW /
// RemoveDirectoryW loop, on two identical trees made in the same run. Run by scripts/bench-removal.sh.
#include <windows.h>
#include <objbase.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "config/root_dir_list.h"
#include "engine/file_remover.h"

namespace {

constexpr int kTopDirs = 20;
constexpr int kSubDirsPerTop = 24;  // 20 + 20 * 24 = 500 directories
constexpr int kFilesPerDir = 20;    // 500 * 20 = 10,000 files

bool MakeFile(const std::wstring& path) {
    ScopedHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsValid() && WriteFile(file.Get(), "korvel", 6, &written, nullptr);
}

bool MakeFilledDir(const std::wstring& dir) {
    if (!CreateDirectoryW(dir.c_str(), nullptr)) return false;
    for (int i = 0; i < kFilesPerDir; ++i)
        if (!MakeFile(dir + L"\\file" + std::to_wstring(i) + L".dat")) return false;
    return true;
}

bool MakeTree(const std::wstring& root) {
    if (!CreateDirectoryW(root.c_str(), nullptr)) return false;
    for (int top = 0; top < kTopDirs; ++top) {
        std::wstring topDir = root + L"\\part" + std::to_wstring(top);
        if (!MakeFilledDir(topDir)) return false;
        for (int sub = 0; sub < kSubDirsPerTop; ++sub)
            if (!MakeFilledDir(topDir + L"\\sub" + std::to_wstring(sub))) return false;
    }
    return true;
}

bool WriteRootList(const std::wstring& path) {
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<RootDirFiles><Dir>";
    for (int top = 0; top < kTopDirs; ++top) xml += L"<Item Name=\"part" + std::to_wstring(top) + L"\"/>";
    xml += L"</Dir><File/></RootDirFiles>\r\n";
    ScopedHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsValid() && WriteFile(file.Get(), "\xFF\xFE", 2, &written, nullptr) &&
           WriteFile(file.Get(), xml.data(), static_cast<DWORD>(xml.size() * sizeof(wchar_t)), &written, nullptr);
}

void PlainRemove(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &data));
    if (find.IsValid()) {
        do {
            if (!lstrcmpW(data.cFileName, L".") || !lstrcmpW(data.cFileName, L"..")) continue;
            std::wstring path = dir + L"\\" + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                PlainRemove(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    RemoveDirectoryW(dir.c_str());
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

struct Timing {
    double plain = 0, ours = 0, count = 0;
    int counted = 0, handled = 0, left = 0;
    bool allGone = false;
};

// One round on two fresh identical trees; `oursFirst` alternates the order between rounds so that
// neither side always meets a warmer file system.
bool RunRound(const std::wstring& work, const IUninstallRootDirList& rootList, bool oursFirst, Timing* timing) {
    std::wstring plain = work + L"\\plain", ours = work + L"\\Korvelia";
    if (!MakeTree(plain) || !MakeTree(ours)) return false;
    auto timePlain = [&] {
        LARGE_INTEGER start = Now();
        PlainRemove(plain);
        timing->plain = Seconds(start, Now());
    };
    auto timeOurs = [&] {
        UndeletableList undeletable;
        LARGE_INTEGER start = Now();
        CountInstallDirFiles(ours, &rootList, &timing->counted);
        LARGE_INTEGER counted = Now();
        DeleteInstallDirFiles(ours, &rootList, undeletable, [timing] { ++timing->handled; });
        LARGE_INTEGER end = Now();
        timing->ours = Seconds(start, end);
        timing->count = Seconds(start, counted);
        timing->left = static_cast<int>(undeletable.size());
    };
    if (oursFirst) {
        timeOurs();
        timePlain();
    } else {
        timePlain();
        timeOurs();
    }
    timing->allGone = !Paths::Exists(plain) && !Paths::Exists(ours);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ScopedCom com;
    int rounds = argc > 1 ? _wtoi(argv[1]) : 3;
    if (rounds < 1) rounds = 1;
    std::wstring work = Paths::NewGuidTempName(Paths::TempDirectory());
    std::wstring listPath = work + L"\\rootdir.xml", logPath = work + L"\\korvel_uninst.log";
    CUninstallRootDirList rootList;
    if (work.empty() || !CreateDirectoryW(work.c_str(), nullptr) || !WriteRootList(listPath) ||
        !rootList.Load(listPath)) {
        fwprintf(stderr, L"could not prepare %ls\n", work.c_str());
        return 1;
    }
    Logger().Open(logPath);

    int files = kTopDirs * (1 + kSubDirsPerTop) * kFilesPerDir;
    wprintf(
        L"tree: %d directories, %d files; engine removal = count + filtered delete with per-file progress "
        L"and log lines\n",
        kTopDirs * (1 + kSubDirsPerTop), files);
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        Timing t;
        if (!RunRound(work, rootList, round % 2 == 1, &t)) {
            fwprintf(stderr, L"could not build the trees under %ls\n", work.c_str());
            return 1;
        }
        wprintf(
            L"round %d: plain loop %.2f s, engine %.2f s (counting %.2f s; %d counted, %d handled, %d left; %ls)"
            L", ratio %.2f\n",
            round + 1, t.plain, t.ours, t.count, t.counted, t.handled, t.left,
            t.allGone ? L"all gone" : L"ENTRIES LEFT", t.plain > 0 ? t.ours / t.plain : 0.0);
        ratios.push_back(t.plain > 0 ? t.ours / t.plain : 0.0);
    }

    // The per-file log line alone, as the removal writes it once per deleted file.
    std::wstring sample = work + L"\\Korvelia\\part0\\sub0\\file0.dat";
    LARGE_INTEGER logStart = Now();
    for (int i = 0; i < files; ++i) Log(L"DeleteFile:%s suceesss", sample.c_str());
    wprintf(L"the per-file log line alone: %.2f s for %d lines\n", Seconds(logStart, Now()), files);

    std::sort(ratios.begin(), ratios.end());
    wprintf(L"ratio engine/plain (median of %d rounds): %.2f\n", rounds, ratios[ratios.size() / 2]);
    RemoveTree(work);
    return 0;
}
