#include "app/relaunch.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winternl.h>

#include "app/caller_token.h"
#include "app/command_parser.h"
#include "base/product.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"
#include "base/signature.h"

namespace {

bool ReadOrRepairInstallDirectory(std::wstring* dir) {
    if (Registry::ReadString(HKEY_LOCAL_MACHINE, Product::kAppPathsKey, Product::kInstallDirValue, dir,
                             Product::kInstallDirChars - 1))
        return true;
    std::wstring own = Paths::ModuleDirectory();
    if (!Paths::FileExists(Paths::Join(own, Product::kMainProgram))) return false;
    Registry::DeleteValue(HKEY_LOCAL_MACHINE, Product::kAppPathsKey, Product::kInstallDirValue);
    Registry::WriteString(HKEY_LOCAL_MACHINE, Product::kAppPathsKey, Product::kInstallDirValue, own);
    *dir = own;
    return true;
}

bool CopyOver(const std::wstring& from, const std::wstring& to) { return CopyFileW(from.c_str(), to.c_str(), FALSE); }

std::wstring ParentProcessPath() {
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
    if (!query) return std::wstring();
    PROCESS_BASIC_INFORMATION info = {};
    if (query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof(info), nullptr) != 0) return std::wstring();
    DWORD parentId = static_cast<DWORD>(info.InheritedFromUniqueProcessId);
    ScopedHandle parent(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, parentId));
    if (!parent.IsValid()) return std::wstring();
    wchar_t path[1024] = {};
    DWORD size = 1024;
    if (!QueryFullProcessImageNameW(parent.Get(), 0, path, &size)) return std::wstring();
    std::wstring result(path, size);
    if (result.find(L'~') != std::wstring::npos) {
        wchar_t longPath[1024] = {};
        DWORD n = GetLongPathNameW(result.c_str(), longPath, 1024);
        if (n > 0 && n < 1024) result = longPath;
    }
    return result;
}

std::wstring WindowsVersionText() {
    using VersionFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    auto get = reinterpret_cast<VersionFn>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetNtVersionNumbers"));
    if (!get) return std::wstring();
    DWORD major = 0, minor = 0, build = 0;
    get(&major, &minor, &build);
    wchar_t text[32];
    _snwprintf(text, 32, L"%d.%d", static_cast<int>(major), static_cast<int>(minor));
    text[31] = L'\0';
    return text;
}

}  // namespace

std::wstring ParentNameWithoutExtension(const std::wstring& parentPath) {
    size_t slash = parentPath.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    std::wstring name = parentPath.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(0, dot);
}

std::wstring BuildChildCommandLine(const std::wstring& tail, bool silent, const std::wstring& token) {
    std::wstring line = tail + L"  /READYUNINSTALL";
    if (silent) line += L"  /CHK=" + token;
    return line;
}

int RelaunchFromTempCopy(const std::wstring& tail) {
    std::wstring installDir;
    if (!ReadOrRepairInstallDirectory(&installDir)) return 0;

    std::wstring tempDir = Paths::NewGuidTempName(Paths::TempDirectory());
    if (tempDir.empty()) return 0;
    DeleteFileW(tempDir.c_str());
    SHCreateDirectoryExW(nullptr, tempDir.c_str(), nullptr);
    if (!Paths::DirectoryExists(tempDir)) return 0;

    std::wstring uninstaller = Paths::Join(installDir, Product::kUninstaller);
    if (!Paths::FileExists(uninstaller)) uninstaller = Paths::Join(installDir, L"Zadizivi.exe");
    std::wstring copy = Paths::Join(tempDir, Product::kUninstaller);
    if (!CopyOver(uninstaller, copy)) return 0;

    std::wstring netLib = Paths::Join(installDir, L"wallpaperhelper\\VarUZ.dll");
    if (!Paths::FileExists(netLib)) netLib = Paths::Join(installDir, L"OrbVarUZ.dll");
    CopyOver(netLib, Paths::Join(tempDir, L"VarUZ.dll"));

    if (!CopyOver(Paths::Join(installDir, L"Utils\\7z.dll"), Paths::Join(tempDir, L"7z.dll"))) return 0;

    std::wstring parent = ParentProcessPath();
    Log(L"parent process path= %s", parent.c_str());
    std::wstring ex1 = ParentNameWithoutExtension(parent);
    std::wstring ex2 = WindowsVersionText();
    Log(L"uninstall_from: &ex1=%s&ex2=%s", ex1.c_str(), ex2.c_str());

    std::wstring utilsDir = Paths::Join(tempDir, L"Utils");
    CreateDirectoryW(utilsDir.c_str(), nullptr);
    CopyOver(Paths::Join(installDir, L"Utils\\ZYRBasic.dll"), Paths::Join(utilsDir, L"ZYRBasic.dll"));

    bool silent = CommandLine()->IsSilent();
    std::wstring arguments = BuildChildCommandLine(tail, silent, silent ? MakeCallerToken() : std::wstring());
    if (!VerifyFileSignature(copy.c_str())) return 0;
    std::wstring quoted = L"\"" + copy + L"\"";
    SHELLEXECUTEINFOW info = {sizeof(info)};
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = quoted.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) ? 1 : 0;
}
