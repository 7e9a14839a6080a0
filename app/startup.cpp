#include "app/startup.h"

#include <windows.h>
#include <commctrl.h>
#include <locale.h>
#include <shellapi.h>

#include "app/caller_token.h"
#include "app/command_parser.h"
#include "app/instance_mutex.h"
#include "base/product.h"
#include "app/relaunch.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "engine/file_remover.h"
#include "engine/product_restore.h"
#include "engine/uninstall_task.h"
#include "net/netlib_binding.h"
#include "ui/windows/main_wnd.h"
#include "ui/windows/message_box.h"

namespace {

constexpr wchar_t kDamagedText[] = L"卸载程序已被破坏，请重新下载安装后再进行卸载";
constexpr wchar_t k7ZipDamagedText[] = L"7z.dll文件破坏，请重新下载安装后进行卸载";
constexpr wchar_t kAlreadyRunningText[] = L"安装或卸载程序已经在运行,点击“确定”退出";
constexpr DWORD kFailureWaitMs = 3000;

// Process preparation that every road needs, undone in reverse order by the destructor.
class ProcessEnvironment {
public:
    explicit ProcessEnvironment(HINSTANCE instance) {
        m_comResult = CoInitialize(nullptr);
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        // Also decides the code page of the log file.
        setlocale(LC_ALL, "chs");
    }
    ~ProcessEnvironment() {
        if (SUCCEEDED(m_comResult)) CoUninitialize();
    }
    ProcessEnvironment(const ProcessEnvironment&) = delete;
    ProcessEnvironment& operator=(const ProcessEnvironment&) = delete;

private:
    HRESULT m_comResult;
};

bool ReadInstallDirectory(std::wstring* dir) {
    return Registry::ReadString(HKEY_LOCAL_MACHINE, Product::kAppPathsKey, Product::kInstallDirValue, dir,
                                Product::kInstallDirChars - 1);
}

void LoadSharedNetworkLibrary() {
    if (CNetLibBinding* binding = SharedNetLib()) binding->Load(SharedNetLibPath());
}

// The first-start road: continue from a temporary copy so the installation directory can go entirely.
void RunFirstStartRoad(const wchar_t* tail) {
    if (!RelaunchFromTempCopy(tail)) ShowDamagedPrompt();
}

// The restore road: shortcuts, uninstall entry and autorun back, then the product's tray program.
void RunRestoreRoad() {
    CProductRestore restore;
    restore.RestoreProduct();
    restore.EnableAutorun();
    restore.StartAutorunProgram();
}

int RunMainWindowLoop() {
    CMainWnd mainWnd(UninstallTask(), CommandLine()->IsSilent(), [] { InstanceGuard().ReleaseAll(); });
    return mainWnd.RunMessageLoop();
}

// False when start-up failed before the engine could run (the temporary copy then stays).
bool RunUninstallRoad(HINSTANCE instance) {
    LoadSharedNetworkLibrary();

    int code = UninstallTask()->PreInitCheck();
    if (code != kPreInitOk) {
        Log(L"pre init check failed, ret = %d", code);
        ShowMessage(nullptr, GetStartupErrorText(code), MB_OK);
        Sleep(kFailureWaitMs);
        return false;
    }
    if (!UninstallTask()->InitConfig(instance, Product::kSetupConfigId, Product::kSetupConfigType,
                                     Product::kSetupConfigFile)) {
        Log(L"init config failed, exit");
        ShowDamagedPrompt();
        Sleep(kFailureWaitMs);
        return false;
    }
    RunMainWindowLoop();
    return true;
}

// True for "<temp>\{GUID}.tmp", the only kind of directory a relaunched copy runs from.
bool IsRelaunchDirectory(const std::wstring& dir) {
    std::wstring name = Paths::FileName(dir);
    if (name.size() != 42 || name.front() != L'{' || name.compare(37, 5, L"}.tmp") != 0) return false;
    std::wstring temp = Paths::TempDirectory();
    return lstrcmpiW((Paths::ParentDirectory(dir) + L"\\").c_str(), temp.c_str()) == 0;
}

// The temporary copy removes its own directory; what is in use is scheduled for the restart. A copy
// started from anywhere else (by hand, from a build folder) leaves its directory alone.
void RemoveOwnDirectory() {
    std::wstring dir = Paths::ModuleDirectory();
    if (IsRelaunchDirectory(dir))
        RemoveTree(dir);
    else
        Log(L"not a temporary copy, directory kept: %s", dir.c_str());
}

}  // namespace

const wchar_t* GetStartupErrorText(int code) {
    switch (code) {
        case 2: return kDamagedText;
        case 3: return k7ZipDamagedText;
        default: return L"";
    }
}

void ShowDamagedPrompt() {
    if (ShowMessage(nullptr, kDamagedText, MB_YESNO | MB_ICONWARNING) != IDYES) return;
    SHELLEXECUTEINFOW info = {sizeof(info)};
    info.lpVerb = L"open";
    info.lpFile = Product::kDownloadPage;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}

bool CheckLegalCall() {
    CCommandParser* parser = CommandLine();
    if (!parser->IsSilent() || !parser->HasKey(L"/READYUNINSTALL")) return true;
    std::wstring token;
    if (!parser->GetValue(L"/CHK", &token) || token.empty()) return false;
    return IsValidCallerToken(token);
}

int RunUninstaller(HINSTANCE instance, const wchar_t* tail, int show) {
    ProcessEnvironment environment(instance);

    Logger().Open(Paths::Join(Paths::TempDirectory(), Product::kLogFileName));
    CCommandParser* parser = CommandLine();
    if (!parser) return 0;
    parser->Parse(tail ? tail : L"");

    if (!CheckLegalCall()) {
        Log(L"illegal call");
        return 0;
    }

    SetMessageBoxesSuppressed(parser->IsSilent());

    if (!InstanceGuard().CheckSingleInstance()) {
        Log(L"CheckSingleInstance failed, exit");
        ShowMessage(nullptr, kAlreadyRunningText, MB_OK);
    } else if (!parser->HasKey(L"/READYUNINSTALL")) {
        RunFirstStartRoad(tail ? tail : L"");
    } else {
        std::wstring installDir;
        if (!ReadInstallDirectory(&installDir) || !Paths::DirectoryExists(installDir)) {
            ShowMessage(nullptr, kDamagedText, MB_OK);
        } else {
            UninstallTask()->SetInstallDir(installDir.c_str());
            SetCurrentDirectoryW(Paths::ModuleDirectory().c_str());
            if (parser->HasKey(L"/K")) {
                RunRestoreRoad();
                RemoveOwnDirectory();
            } else if (RunUninstallRoad(instance)) {
                RemoveOwnDirectory();
            }
        }
    }

    InstanceGuard().ReleaseAll();
    return 0;
}
