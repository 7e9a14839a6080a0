#include "engine/program_closer.h"

#include <psapi.h>
#include <winternl.h>
#include <wchar.h>

#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "config/setup_config.h"

namespace {

constexpr wchar_t kQuitMessageName[] = L"Orbwallpaper_quit";
constexpr wchar_t kSlowClosingClass[] = L"OrbWallPaperCtrlCls";
constexpr DWORD kSlowClosingWaitMs = 2000;
constexpr int kDefaultCloseTimeoutMs = 2000;
constexpr const wchar_t* kProductPrograms[] = {L"\\vorizar.exe", L"\\Orbwpsrv.exe", L"\\Orbwpapp.exe", L"\\qalmex.exe"};
constexpr wchar_t kSparedProgram[] = L"ZuvAzi\\ZuvAzi.exe";
constexpr size_t kMinInstallPathLength = 5;
constexpr size_t kMinKillDirectoryLength = 4;
constexpr size_t kMaxPath = MAX_PATH;
constexpr DWORD kProcessIdBytes = 2048;
constexpr DWORD kImagePathChars = 1024;

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = towupper(c);
    return text;
}

// At most 512 identifiers; false when the enumeration failed.
bool EnumerateProcessIds(std::vector<DWORD>* ids) {
    ids->assign(kProcessIdBytes / sizeof(DWORD), 0);
    DWORD bytes = 0;
    if (!EnumProcesses(ids->data(), kProcessIdBytes, &bytes)) return false;
    ids->resize(bytes / sizeof(DWORD));
    return true;
}

std::wstring ImagePathUpper(DWORD pid) {
    wchar_t path[kImagePathChars] = {};
    if (GetProcessImagePath(pid, path, kImagePathChars) == 0) return std::wstring();
    path[kImagePathChars - 1] = L'\0';
    return Upper(path);
}

// Opens with PROCESS_TERMINATE and ends it with code 0; a process that cannot be opened is left alone.
void Terminate(DWORD pid) {
    ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    if (process.IsValid()) TerminateProcess(process.Get(), 0);
}

using NtQueryInformationProcessFn = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

// The parent's identifier, or -1 when it cannot be learnt.
DWORD ParentProcessId() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto query = ntdll
                     ? reinterpret_cast<NtQueryInformationProcessFn>(GetProcAddress(ntdll, "NtQueryInformationProcess"))
                     : nullptr;
    if (!query) return static_cast<DWORD>(-1);
    ScopedHandle self(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()));
    if (!self.IsValid()) return static_cast<DWORD>(-1);
    PROCESS_BASIC_INFORMATION info = {};
    if (query(self.Get(), ProcessBasicInformation, &info, sizeof(info), nullptr) != 0) return static_cast<DWORD>(-1);
    return static_cast<DWORD>(info.InheritedFromUniqueProcessId);
}

}  // namespace

void CloseAllPrograms(CSetupConfig* config, const std::wstring& installDir) {
    UINT quitMessage = RegisterWindowMessageW(kQuitMessageName);
    if (quitMessage) SendNotifyMessageW(HWND_BROADCAST, quitMessage, 0, 0);
    SendCloseMessages(config);
    KillProcessesInInstallPath(installDir);
}

void SendCloseMessages(CSetupConfig* config) {
    if (!config) return;
    for (size_t i = 0; i < config->GetCloseProgramCount(); ++i) {
        CloseProgramItem item = {};
        if (!config->GetCloseProgram(i, &item)) continue;
        HWND window = FindWindowW(item.windowClass, nullptr);
        if (!window) continue;
        // A negative time-out would read as weeks on a hung window: such an entry gets the default instead.
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, item.message, static_cast<WPARAM>(static_cast<UINT>(item.wParam)),
                            static_cast<LPARAM>(static_cast<UINT>(item.lParam)), SMTO_NORMAL,
                            static_cast<UINT>(item.timeout >= 0 ? item.timeout : kDefaultCloseTimeoutMs), &result);
        if (_wcsicmp(item.windowClass, kSlowClosingClass) == 0) Sleep(kSlowClosingWaitMs);
        Log(L"Send msg to %s wnd", item.windowClass);
    }
}

void KillProcessesInInstallPath(const std::wstring& installDir) {
    Log(L"enter KillProcessesInInstallPath szTargetDir=%s", installDir.c_str());
    if (installDir.size() < kMinInstallPathLength) return;
    KillMultiProcesses(installDir.c_str(), nullptr);
    for (const wchar_t* program : kProductPrograms) KillProcessByPath((installDir + program).c_str());
    Log(L"end KillProcessesInInstallPath");
}

int KillMultiProcesses(const wchar_t* directory, int* killedCount) {
    Log(L"enter KillMultiProcesses");
    if (!directory) return 0;
    const std::wstring dir = directory;
    if (dir.size() < kMinKillDirectoryLength || dir.size() > kMaxPath) return 0;
    if (killedCount) *killedCount = 0;

    EnableDebugPrivilege();
    std::vector<DWORD> ids;
    if (!EnumerateProcessIds(&ids)) {
        Log(L"EnumProcesses fail dwError = %lu", GetLastError());
        return 0;
    }
    const std::wstring upperDir = Upper(dir);
    const std::wstring spared = Upper(Paths::Join(dir, kSparedProgram));
    const DWORD self = GetCurrentProcessId();
    const DWORD parent = ParentProcessId();

    int killed = 0;
    for (DWORD pid : ids) {
        if (pid == self || pid == parent) continue;
        std::wstring path = ImagePathUpper(pid);
        if (path.empty() || path.compare(0, upperDir.size(), upperDir) != 0) continue;
        if (path == spared) {
            Log(L"Ignore process : %s", path.c_str());
            continue;
        }
        Terminate(pid);
        Log(L"Kill process: %s", path.c_str());
        ++killed;
    }
    if (killedCount) *killedCount = killed;
    Log(L"end KillMultiProcesses");
    return 0;
}

int KillProcessByPath(const wchar_t* path) {
    if (!path || wcslen(path) > kMaxPath) return 0;
    EnableDebugPrivilege();
    std::vector<DWORD> ids;
    if (!EnumerateProcessIds(&ids)) return 0;
    const std::wstring wanted = Upper(path);
    for (DWORD pid : ids) {
        if (ImagePathUpper(pid) != wanted) continue;
        Terminate(pid);
        Log(L"Kill process: %s", path);
    }
    return 0;
}

int GetProcessImagePath(DWORD pid, wchar_t* buffer, size_t size) {
    if (!buffer || size < 100) return 0;
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process.IsValid()) {
        Log(L"[kill] OpenProcess Failed: pid = %d, error = %d", static_cast<int>(pid),
            static_cast<int>(GetLastError()));
        return 0;
    }
    wchar_t path[kImagePathChars] = {};
    DWORD length = GetModuleFileNameExW(process.Get(), nullptr, path, kImagePathChars);
    if (length == 0) {
        Log(L"[kill] GetModuleFileNameEx Failed: pid = %d, error = %d", static_cast<int>(pid),
            static_cast<int>(GetLastError()));
        return 0;
    }
    const wchar_t* result = path;
    wchar_t longPath[kImagePathChars] = {};
    if (wcschr(path, L'~')) {
        DWORD longLength = GetLongPathNameW(path, longPath, kImagePathChars);
        if (longLength >= 1 && longLength < kImagePathChars) result = longPath;
    }
    wcsncpy(buffer, result, size);
    buffer[size - 1] = L'\0';
    return static_cast<int>(length);
}

BOOL EnableDebugPrivilege() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken)) return FALSE;
    ScopedHandle token(rawToken);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return FALSE;
    return AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}
