#include "tools/installer/product_entries.h"

#include <windows.h>
#include <oleauto.h>
#include <shlobj.h>
#include <taskschd.h>

#include "base/product.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbwpapp";
constexpr wchar_t kTaskName[] = L"Orbwp-srv";

struct Names {
    std::wstring desktopShortcut;
    std::wstring programsFolder;
    std::wstring programShortcut;
    std::wstring uninstallShortcut;
};

Names BrandingNames(const InstallOptions& options) {
    if (_wcsicmp(options.branding.c_str(), L"vantelle") == 0)
        return {_wcsicmp(options.channel.c_str(), L"paperLite") == 0 ? L"KorveliaLite.lnk" : L"Korvelia.lnk",
                L"Korvelia", L"Korvelia.lnk", L"卸载Korvelia.lnk"};
    return {L"Orb壁纸.lnk", L"Orb安全中心\\Orb壁纸", L"Orb壁纸.lnk", L"卸载Orb壁纸.lnk"};
}

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    return SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE) ? buffer : L"";
}

bool SaveShortcut(const std::wstring& target, const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return false;
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(Paths::ParentDirectory(target).c_str());
    return SUCCEEDED(file->Save(path.c_str(), TRUE));
}

// A task that runs the tray program; the simulated installer adds no trigger, which keeps the task
// registrable on test machines without logon triggers.
bool RegisterAutorunTask(const std::wstring& program) {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    ComPtr<ITaskDefinition> definition;
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    VARIANT empty;
    VariantInit(&empty);
    BSTR root = SysAllocString(L"\\"), name = SysAllocString(kTaskName), path = SysAllocString(program.c_str());
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                         service.ReceiveVoid())) &&
              SUCCEEDED(service->Connect(empty, empty, empty, empty)) &&
              SUCCEEDED(service->GetFolder(root, folder.Receive())) &&
              SUCCEEDED(service->NewTask(0, definition.Receive())) &&
              SUCCEEDED(definition->get_Actions(actions.Receive())) &&
              SUCCEEDED(actions->Create(TASK_ACTION_EXEC, action.Receive())) &&
              SUCCEEDED(action->QueryInterface(IID_IExecAction, exec.ReceiveVoid())) && SUCCEEDED(exec->put_Path(path));
    if (ok) {
        ComPtr<IRegisteredTask> task;
        ok = SUCCEEDED(folder->RegisterTaskDefinition(name, definition.Get(), TASK_CREATE_OR_UPDATE, empty, empty,
                                                      TASK_LOGON_INTERACTIVE_TOKEN, empty, task.Receive()));
    }
    SysFreeString(root);
    SysFreeString(name);
    SysFreeString(path);
    return ok;
}

}  // namespace

int InstallProductEntries(const InstallOptions& options, std::vector<std::wstring>* failures) {
    ScopedCom com;
    int made = 0;
    auto count = [&](bool ok, const std::wstring& what) {
        if (ok)
            ++made;
        else
            failures->push_back(L"cannot create " + what);
    };
    const Names names = BrandingNames(options);
    const std::wstring mainProgram = Paths::Join(options.installDir, Product::kMainProgram);
    const std::wstring uninstaller = Paths::Join(options.installDir, Product::kUninstaller);
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        const std::wstring shortcut = Paths::Join(ShellFolder(csidl), names.desktopShortcut);
        count(SaveShortcut(mainProgram, shortcut), shortcut);
    }
    const std::wstring folder = Paths::Join(ShellFolder(CSIDL_COMMON_PROGRAMS), names.programsFolder);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    count(SaveShortcut(mainProgram, Paths::Join(folder, names.programShortcut)), folder);
    count(SaveShortcut(uninstaller, Paths::Join(folder, names.uninstallShortcut)), folder);

    const std::pair<const wchar_t*, std::wstring> entry[] = {
        {L"DisplayIcon", mainProgram},     {L"DisplayName", L"Korvelia"},  {L"DisplayVersion", L"6.3.12.1010"},
        {L"InstallLocation", options.installDir}, {L"Publisher", L"Korvelia"}, {L"UninstallString", uninstaller},
    };
    for (const auto& value : entry)
        count(Registry::WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, value.first, value.second), kUninstallKey);

    const std::wstring tray = Paths::Join(options.installDir, L"vorizar.exe");
    const std::wstring autorun = L"\"" + tray + L"\" /autorun --from=task";
    count(Registry::WriteString(HKEY_CURRENT_USER, kRunKey, kTaskName, autorun), L"HKCU Run value");
    count(Registry::WriteString(HKEY_LOCAL_MACHINE, kRunKey, kTaskName, autorun), L"HKLM Run value");
    count(Registry::WriteString(HKEY_LOCAL_MACHINE, kRunKey, L"wpapp", L"\"" + mainProgram + L"\" /autorun"),
          L"HKLM Run value wpapp");
    count(Registry::WriteString(HKEY_LOCAL_MACHINE, kRunKey, L"wpapp", L"\"" + mainProgram + L"\" /autorun",
                                Registry::RegView::Native64),
          L"HKLM Run value wpapp (64-bit view)");
    count(RegisterAutorunTask(L"\"" + tray + L"\""), L"scheduled task Orbwp-srv");
    return made;
}
