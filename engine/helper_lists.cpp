// The engine's helper-call steps: the setup project's program and rundll lists, the game-center helper,
// the two registry lists, the protection component and the guard program.
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"
#include "base/signature.h"
#include "base/sysinfo.h"
#include "config/setup_config.h"
#include "engine/helper_calls.h"
#include "engine/program_closer.h"
#include "engine/step_families.h"

namespace {

constexpr wchar_t kRundllHost64[] = L"Utils\\rundll64.exe";
constexpr wchar_t kRundllHost32[] = L"Utils\\rundll.exe";
constexpr wchar_t kGameCenterLibrary[] = L"Utils\\zyrgamecenter_korvel.dll";
constexpr wchar_t kGameCenterProgram[] = L"Utils\\zyrgamecenter_korvel.exe";
constexpr DWORD kGameCenterWaitMs = 3000;
constexpr wchar_t kRunListKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\run_list";
constexpr wchar_t kFilePeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\file_pe";
constexpr wchar_t kSkipSignSwitch[] = L"/Regtest";
constexpr DWORD kRunListWaitMs = 60000;
constexpr size_t kRunListDataChars = MAX_PATH;
constexpr size_t kFilePeDataChars = 4096 / sizeof(wchar_t);
constexpr wchar_t kFilePeSuffix[] = L" /uninstall /product=korvel";
constexpr DWORD kFilePeWaitMs = 50000;
constexpr char kUninstExport[] = "Uninst";
constexpr wchar_t kProtectionLibrary[] = L"\\wallpaperhelper\\Tessmar12.dll";
constexpr wchar_t kGuardProgram[] = L"wallpaperhelper\\zuzirod.exe";
constexpr size_t kGuardCommandChars = 2048;
constexpr DWORD kGuardWaitMs = 5000;

std::string ToThreadAnsi(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string result(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, result.data(), n, nullptr, nullptr);
    result.resize(static_cast<size_t>(n) - 1);
    return result;
}

// The value names of an HKLM key (at most 259 characters each), read before any helper runs so that a
// helper that edits the key does not shift the enumeration.
std::vector<std::wstring> ValueNames(const wchar_t* subKey) {
    std::vector<std::wstring> names;
    ScopedRegKey key;
    if (Registry::OpenKey(HKEY_LOCAL_MACHINE, subKey, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH] = {};
        DWORD chars = MAX_PATH;
        LONG status = RegEnumValueW(key.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) names.emplace_back(name, chars);
    }
    return names;
}

bool HasExtension(const std::wstring& path, const wchar_t* extension) {
    return _wcsicmp(PathFindExtensionW(path.c_str()), extension) == 0;
}

void RunCallProgramItem(const CallProgramItem& item, const std::wstring& installDir) {
    std::wstring path = Paths::Join(installDir, item.fileName);
    if (path.size() >= MAX_PATH) path.resize(MAX_PATH - 1);
    if (!Paths::FileExists(path)) {
        Log(L"file[%s] is not exist", path.c_str());
        return;
    }
    bool signedOk =
        item.signType[0] ? VerifyFileSignedBy(path.c_str(), item.signType) : VerifyFileSignature(path.c_str());
    if (!signedOk) {
        Log(L"check sign fail, signType[%s], filepath[%s]", item.signType, path.c_str());
        return;
    }
    if (_wcsicmp(item.type, L"exe") == 0) {
        RunProgramAfterKill(path.c_str(), item.cmdline, false, item.sync != 0, CallProgramWaitMs(item.waitTime));
    } else if (_wcsicmp(item.type, L"dll") == 0) {
        CallDllExport(path.c_str(), ToThreadAnsi(item.funcName).c_str(), item.para, false);
    }
}

void RunRunListEntry(const std::wstring& installDir, const std::wstring& name) {
    std::wstring path = Paths::Join(installDir, name);
    if (!Paths::FileExists(path)) return;
    std::wstring data;
    if (!Registry::ReadString(HKEY_LOCAL_MACHINE, kRunListKey, name, &data, kRunListDataChars)) data.clear();
    bool checkSign = true;
    if (data.find(kSkipSignSwitch) != std::wstring::npos) {
        Log(L"Regtest, no need to check sign.");
        checkSign = false;
    }
    Log(L"file extension:%s", PathFindExtensionW(path.c_str()));
    if (HasExtension(path, L".DLL") || HasExtension(path, L".TPI")) {
        std::wstring answer = CallDllInterfaceEx(path.c_str(), kUninstExport, data.c_str(), checkSign);
        Log(L"CallDllInterfaceEx return value=%s", answer.c_str());
    } else if (HasExtension(path, L".EXE")) {
        KnownProduct product = DetectKnownProduct();
        std::wstring parameters = data + L" --PRODUCT=" + product.name + L" --PID=" + product.channel;
        KillProcessByPath(path.c_str());
        Log(L"call exe begin, path=[%s] ,cmd=[%s]", path.c_str(), parameters.c_str());
        RunProgram(path.c_str(), parameters.c_str(), SW_SHOWNORMAL, checkSign, true, nullptr, kRunListWaitMs);
    }
}

}  // namespace

void RunCallProgramList(CSetupConfig* config, const std::wstring& installDir) {
    if (!config) return;
    for (size_t i = 0; i < config->GetUninstProgramCount(); ++i) {
        CallProgramItem item = {};
        if (config->GetUninstProgram(i, &item)) RunCallProgramItem(item, installDir);
    }
}

void RunRundllList(CSetupConfig* config, const std::wstring& installDir) {
    if (!config) return;
    const std::wstring host = Paths::Join(installDir, Is64BitOs() ? kRundllHost64 : kRundllHost32);
    if (!VerifyFileSignature(host.c_str())) return;
    for (size_t i = 0; i < config->GetRundllItemCount(); ++i) {
        RundllItem item = {};
        if (!config->GetRundllItem(i, &item)) continue;
        const std::wstring library = Paths::Join(installDir, item.fileName);
        if (!Paths::FileExists(library)) {
            Log(L"file[%s] is not exist", library.c_str());
            continue;
        }
        std::wstring commandLine = L"--dll=\"" + library + L"\" --entry=" + item.entry + L" " + item.cmdline;
        // A negative wait from the project would be read as a near-endless one: the host is then not waited for.
        const DWORD wait = item.waitTime > 0 ? static_cast<DWORD>(item.waitTime) : 0;
        RunProgramAfterKill(host.c_str(), commandLine.c_str(), false, true, wait);
    }
}

void RunGameCenterHelper(const std::wstring& installDir, bool uninstallGameCenter) {
    const std::wstring arguments =
        std::wstring(L"/S /PID=korvel") + (uninstallGameCenter ? L" /UNINSTALL" : L" /NOUNINSTALL");
    const std::wstring library = Paths::Join(installDir, kGameCenterLibrary);
    if (VerifyFileSignature(library.c_str())) {
        // Kept loaded until the process ends: the helper may go on working on threads of its own.
        HMODULE module = LoadLibraryW(library.c_str());
        auto start =
            module ? reinterpret_cast<void(WINAPI*)(const wchar_t*)>(GetProcAddress(module, "Start4RunDll")) : nullptr;
        if (start) {
            start(arguments.c_str());
            return;
        }
    }
    const std::wstring program = Paths::Join(installDir, kGameCenterProgram);
    RunProgram(program.c_str(), arguments.c_str(), SW_SHOWNORMAL, true, true, nullptr, kGameCenterWaitMs);
    Log(L"Call exe:%s,param:%s", program.c_str(), arguments.c_str());
}

void RunRunList(const std::wstring& installDir) {
    if (installDir.empty() || !Paths::DirectoryExists(installDir)) return;
    for (const std::wstring& name : ValueNames(kRunListKey)) RunRunListEntry(installDir, name);
}

void RunFilePeList(const std::wstring& installDir) {
    if (installDir.empty() || !Paths::DirectoryExists(installDir)) return;
    for (const std::wstring& name : ValueNames(kFilePeKey)) {
        const std::wstring path = Paths::Join(installDir, name);
        if (!Paths::FileExists(path)) continue;
        std::wstring data;
        if (!Registry::ReadString(HKEY_LOCAL_MACHINE, kFilePeKey, name, &data, kFilePeDataChars)) continue;
        if (HasExtension(path, L".dll")) {
            CallDllExport(path.c_str(), kUninstExport, data.c_str(), true);
        } else if (HasExtension(path, L".exe")) {
            RunProgramAfterKill(path.c_str(), (data + kFilePeSuffix).c_str(), true, true, kFilePeWaitMs);
        }
    }
}

void CallProtectionUninst(const std::wstring& installDir) {
    CallDllExport((installDir + kProtectionLibrary).c_str(), kUninstExport, L"", true);
}

void ReleaseGuard(const std::wstring& installDir) {
    const std::wstring guard = Paths::Join(installDir, kGuardProgram);
    if (!VerifyFileSignature(guard.c_str())) return;
    std::vector<wchar_t> commandLine(kGuardCommandChars, L'\0');
    _snwprintf(commandLine.data(), kGuardCommandChars, L"\"%s\" %s /LockHomePagePath=\"%s\" /Pid=korvel", guard.c_str(),
               L"/UnInstallDesk", guard.c_str());
    commandLine.back() = L'\0';

    STARTUPINFOW startup = {};
    GetStartupInfoW(&startup);
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return;
    ScopedHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(process.Get(), kGuardWaitMs) == WAIT_TIMEOUT) Log(L"等待进程退出超时");
}
