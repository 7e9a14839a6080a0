#include "engine/runonce_batch.h"

#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>
#include <stdio.h>
#include <wctype.h>

#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "engine/file_remover.h"

namespace {

// Full control for the system and administrators, read and run for users; nothing inherited.
constexpr wchar_t kBatchSecurity[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FRFX;;;BU)";

std::wstring WindowsTempDirectory() {
    wchar_t windows[MAX_PATH] = {};
    if (!GetWindowsDirectoryW(windows, MAX_PATH)) return std::wstring();
    return Paths::Join(windows, L"Temp");
}

// The path in the thread's ANSI code page; false when a character has no exact equivalent there.
bool ToThreadAnsi(const std::wstring& path, std::string* ansi) {
    if (path.empty()) return false;
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_THREAD_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (n == 0)  // code pages such as UTF-8 refuse the lossy flag and lose nothing
        n = WideCharToMultiByte(CP_THREAD_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0 || lossy) return false;
    std::vector<char> buffer(n);
    WideCharToMultiByte(CP_THREAD_ACP, 0, path.c_str(), -1, buffer.data(), n, nullptr, nullptr);
    ansi->assign(buffer.data());
    return true;
}

// The path itself, or its short form when only that fits the code page.
bool BatchPathText(const std::wstring& path, std::string* text) {
    if (ToThreadAnsi(path, text)) return true;
    wchar_t shortPath[MAX_PATH] = {};
    DWORD n = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    return n > 0 && n < MAX_PATH && ToThreadAnsi(shortPath, text);
}

}  // namespace

void CRunOnceBatch::WriteLine(const char* format, const std::wstring& path) {
    std::string text;
    char line[kMaxLine + 1];
    int n = BatchPathText(path, &text) ? snprintf(line, sizeof(line), format, text.c_str()) : -1;
    if (n < 0 || static_cast<size_t>(n) > kMaxLine) {
        Log(L"runonce bat cannot hold %s", path.c_str());
        return;
    }
    if (!Create()) return;
    DWORD written = 0;
    WriteFile(m_file.Get(), line, static_cast<DWORD>(n), &written, nullptr);
}

bool CRunOnceBatch::Create() {
    if (m_file.IsValid()) return true;
    if (m_createFailed) return false;
    m_createFailed = true;

    std::wstring dir = WindowsTempDirectory();
    wchar_t name[MAX_PATH] = {};
    if (dir.empty() || !GetTempFileNameW(dir.c_str(), L"zyr", 0, name)) {
        Log(L"create runonce bat in %s failed, error=%d", dir.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    DeleteFileW(name);
    PathRenameExtensionW(name, L".bat");
    DeleteFileW(name);

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kBatchSecurity, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor, FALSE};
    // CREATE_NEW: a file of that name that reappeared since is someone else's and is never used.
    m_file.Reset(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             &security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD error = GetLastError();
    LocalFree(descriptor);
    if (!m_file.IsValid()) {
        Log(L"create runonce bat %s failed, error=%d", name, static_cast<int>(error));
        return false;
    }
    m_path = name;
    m_createFailed = false;
    return true;
}

void CRunOnceBatch::Finish() {
    if (!m_file.IsValid()) return;
    WriteLine(RunOnceLine::kDeleteFile, m_path);
    Log(L"write to runonce bat: %s", m_path.c_str());
    std::wstring name = Paths::FileName(m_path);
    if (!name.empty()) {
        Registry::WriteString(HKEY_LOCAL_MACHINE, kRunOnceKey, name, m_path);
        Log(L"write runonce bat to registry");
    }
    m_file.Reset();
}

namespace {

// Schedules `path` for the restart; when Windows refuses, the batch gets `line` for it instead.
void ScheduleOrWrite(const std::wstring& path, const char* line, const RestartScheduler& schedule,
                     CRunOnceBatch& batch) {
    if (schedule(path)) {
        Log(L"write %s to pending success", path.c_str());
        return;
    }
    batch.WriteLine(line, path);
    Log(L"write to runonce bat: %s", path.c_str());
}

}  // namespace

bool WriteRunOnceBatch(UndeletableList& list, const std::wstring& installDir, const RestartScheduler& schedule) {
    CRunOnceBatch batch;
    std::vector<std::wstring> directories;
    for (const std::wstring& entry : list) {
        if (Paths::DirectoryExists(entry)) {
            directories.push_back(entry);
            continue;
        }
        std::wstring newPath;
        if (CutToTemp(entry, &newPath)) {
            Log(L"cut %s to %s success", entry.c_str(), newPath.c_str());
            ScheduleOrWrite(newPath, RunOnceLine::kDeleteFile, schedule, batch);
        } else {
            Log(L"cut %s to temp failed, delete by pending", entry.c_str());
            DeleteFileOrSchedule(entry);
        }
    }
    list.clear();

    for (const std::wstring& directory : directories) {
        if (DeleteFileOrDirectory(directory)) continue;
        std::wstring newPath;
        if (CutToTemp(directory, &newPath)) {
            Log(L"cut %s to %s success", directory.c_str(), newPath.c_str());
            ScheduleOrWrite(newPath, RunOnceLine::kRemoveTree, schedule, batch);
        } else {
            Log(L"cut %s to temp failed,delete by pending", directory.c_str());
            DeleteFileOrSchedule(directory);
        }
    }

    // The drive's aside directory goes once it is empty; a share has none.
    if (installDir.size() >= 2 && iswalpha(installDir[0]) && installDir[1] == L':') {
        wchar_t asideDir[] = L"?:\\.temp";
        asideDir[0] = installDir[0];
        ScheduleOrWrite(asideDir, RunOnceLine::kRemoveEmptyDir, schedule, batch);
    }

    batch.Finish();
    if (!installDir.empty()) RemoveDirectoryW(installDir.c_str());
    return true;
}
