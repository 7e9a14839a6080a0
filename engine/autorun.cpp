#include "engine/autorun.h"

#include <oleauto.h>
#include <taskschd.h>
#define SECURITY_WIN32
#include <secext.h>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"
#include "base/sysinfo.h"

namespace {

constexpr wchar_t kIniFile[] = L"config.set";
constexpr wchar_t kHklmRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kWpappValue[] = L"wpapp";

// The logon trigger of Task Scheduler 2.0, which the toolchain's headers leave out.
struct ILogonTrigger : public ITrigger {
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
constexpr IID kIidLogonTrigger = {0x72dade38, 0xfae4, 0x4b3e, {0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c}};

// A BSTR owned for the length of one call.
class Bstr {
public:
    explicit Bstr(const std::wstring& text) : m_bstr(SysAllocString(text.c_str())) {}
    ~Bstr() { SysFreeString(m_bstr); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_bstr; }

private:
    BSTR m_bstr;
};

// COM for one task operation, plus the connected service's root folder.
class TaskRoot {
public:
    TaskRoot() : m_comResult(CoInitialize(nullptr)) {
        // Fails harmlessly when the process has set its security already.
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IMPERSONATE,
                             nullptr, 0, nullptr);
        if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                    m_service.ReceiveVoid())))
            return;
        VARIANT empty;
        VariantInit(&empty);
        if (FAILED(m_service->Connect(empty, empty, empty, empty))) return;
        Bstr root(L"\\");
        if (FAILED(m_service->GetFolder(root, m_folder.Receive()))) m_folder.Reset();
    }
    ~TaskRoot() {
        m_folder.Reset();
        m_service.Reset();
        if (SUCCEEDED(m_comResult)) CoUninitialize();
    }
    TaskRoot(const TaskRoot&) = delete;
    TaskRoot& operator=(const TaskRoot&) = delete;

    ITaskService* Service() const { return m_service.Get(); }
    ITaskFolder* Folder() const { return m_folder.Get(); }

private:
    HRESULT m_comResult;
    ComPtr<ITaskService> m_service;
    ComPtr<ITaskFolder> m_folder;
};

std::wstring CurrentUserName() {
    wchar_t name[256] = {};
    DWORD chars = ARRAYSIZE(name);
    return GetUserNameW(name, &chars) ? name : L"";
}

std::wstring CurrentSamName() {
    wchar_t name[512] = {};
    ULONG chars = ARRAYSIZE(name);
    return GetUserNameExW(NameSamCompatible, name, &chars) ? name : L"";
}

std::wstring Unquoted(std::wstring path) {
    if (!path.empty() && path.front() == L'"') path.erase(0, 1);
    if (!path.empty() && path.back() == L'"') path.pop_back();
    return path;
}

// An existing task whose first action runs a program is kept as it is (enabled when it was not).
bool KeepExistingTask(ITaskFolder* folder, const std::wstring& name) {
    ComPtr<IRegisteredTask> task;
    if (FAILED(folder->GetTask(Bstr(name), task.Receive()))) return false;
    ComPtr<ITaskDefinition> definition;
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> first;
    TASK_ACTION_TYPE type = TASK_ACTION_COM_HANDLER;
    if (FAILED(task->get_Definition(definition.Receive())) || FAILED(definition->get_Actions(actions.Receive())) ||
        FAILED(actions->get_Item(1, first.Receive())) || FAILED(first->get_Type(&type)) || type != TASK_ACTION_EXEC)
        return false;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    if (SUCCEEDED(task->get_Enabled(&enabled)) && enabled == VARIANT_FALSE) task->put_Enabled(VARIANT_TRUE);
    return true;
}

bool DescribeTask(ITaskDefinition* definition, const std::wstring& description) {
    ComPtr<IRegistrationInfo> info;
    if (FAILED(definition->get_RegistrationInfo(info.Receive()))) return false;
    info->put_Author(Bstr(CurrentUserName()));
    return SUCCEEDED(info->put_Description(Bstr(description)));
}

bool AddLogonTrigger(ITaskDefinition* definition, int delaySeconds) {
    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    ComPtr<ILogonTrigger> logon;
    if (FAILED(definition->get_Triggers(triggers.Receive())) ||
        FAILED(triggers->Create(TASK_TRIGGER_LOGON, trigger.Receive())) ||
        FAILED(trigger->QueryInterface(kIidLogonTrigger, logon.ReceiveVoid())))
        return false;
    wchar_t delay[32] = {};
    _snwprintf(delay, ARRAYSIZE(delay) - 1, L"PT%dM%dS", delaySeconds / 60, delaySeconds % 60);
    return SUCCEEDED(logon->put_Id(Bstr(L"Trigger1"))) && SUCCEEDED(logon->put_Enabled(VARIANT_TRUE)) &&
           SUCCEEDED(logon->put_UserId(Bstr(CurrentSamName()))) && SUCCEEDED(logon->put_Delay(Bstr(delay)));
}

bool AddProgramAction(ITaskDefinition* definition, const std::wstring& taskPath) {
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    if (FAILED(definition->get_Actions(actions.Receive())) || FAILED(actions->Create(TASK_ACTION_EXEC, action.Receive())) ||
        FAILED(action->QueryInterface(IID_IExecAction, exec.ReceiveVoid())))
        return false;
    return SUCCEEDED(exec->put_Path(Bstr(taskPath))) && SUCCEEDED(exec->put_Arguments(Bstr(kAutorunArguments))) &&
           SUCCEEDED(exec->put_WorkingDirectory(Bstr(L"")));
}

bool SetPrincipalAndSettings(ITaskDefinition* definition) {
    ComPtr<IPrincipal> principal;
    ComPtr<ITaskSettings> settings;
    ComPtr<IIdleSettings> idle;
    if (FAILED(definition->get_Principal(principal.Receive())) || FAILED(definition->get_Settings(settings.Receive())))
        return false;
    principal->put_Id(Bstr(CurrentUserName()));
    principal->put_GroupId(Bstr(L"BUILTIN\\Administrators"));
    principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST);
    settings->put_StopIfGoingOnBatteries(VARIANT_FALSE);
    settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE);
    settings->put_AllowHardTerminate(VARIANT_FALSE);
    settings->put_ExecutionTimeLimit(Bstr(L"PT0S"));
    if (SUCCEEDED(settings->get_IdleSettings(idle.Receive()))) idle->put_StopOnIdleEnd(VARIANT_FALSE);
    return true;
}

bool CreateAutorunTask(const std::wstring& taskPath, const std::wstring& name, const std::wstring& description,
                       int delaySeconds) {
    TaskRoot root;
    if (!root.Folder()) return false;
    if (KeepExistingTask(root.Folder(), name)) return true;
    root.Folder()->DeleteTask(Bstr(name), 0);

    ComPtr<ITaskDefinition> definition;
    if (FAILED(root.Service()->NewTask(0, definition.Receive()))) return false;
    if (!DescribeTask(definition.Get(), description) || !AddLogonTrigger(definition.Get(), delaySeconds) ||
        !AddProgramAction(definition.Get(), taskPath) || !SetPrincipalAndSettings(definition.Get()))
        return false;

    VARIANT user, empty;
    VariantInit(&empty);
    VariantInit(&user);
    user.vt = VT_BSTR;
    user.bstrVal = SysAllocString(CurrentUserName().c_str());
    ComPtr<IRegisteredTask> registered;
    HRESULT hr = root.Folder()->RegisterTaskDefinition(Bstr(name), definition.Get(), TASK_CREATE_OR_UPDATE, user, empty,
                                                       TASK_LOGON_INTERACTIVE_TOKEN, empty, registered.Receive());
    VariantClear(&user);
    return SUCCEEDED(hr);
}

// Writes the HKLM `Run` value unless it already holds the same command (case ignored).
BOOL WriteRunValue(const std::wstring& name, const std::wstring& taskPath) {
    // Created when missing: a fresh system's 32-bit view may not have the key yet.
    ScopedRegKey key;
    if (Registry::CreateKey(HKEY_LOCAL_MACHINE, kRunKey, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return FALSE;
    const std::wstring command = taskPath + L" " + kAutorunArguments;
    std::wstring current;
    if (Registry::ReadString(HKEY_LOCAL_MACHINE, kRunKey, name, &current) && _wcsicmp(current.c_str(), command.c_str()) == 0)
        return TRUE;
    return RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                          static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

void SetAutorunIniFlag(const std::wstring& installDir, const wchar_t* value) {
    WritePrivateProfileStringW(L"auto_run", L"open", value, Paths::Join(installDir, kIniFile).c_str());
}

int DeleteRunValue(const std::wstring& name) {
    Registry::DeleteValue(HKEY_CURRENT_USER, kRunKey, name);
    Registry::DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, name);
    return 1;
}

int DeleteAutorunTask(const std::wstring& name) {
    TaskRoot root;
    if (!root.Folder()) return 0;
    root.Folder()->DeleteTask(Bstr(name), 0);
    return 1;
}

void RemoveAutorun(const std::wstring& installDir) {
    SetAutorunIniFlag(installDir, L"0");
    Log(L"Delete AutoRun Registry, ret = %d", DeleteRunValue(kAutorunName));
    Log(L"Delete AutoRun Task Schedule, ret = %d", DeleteAutorunTask(kAutorunName));
    Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRunKey, kWpappValue);
    if (Is64BitOs()) Registry::DeleteValue(HKEY_LOCAL_MACHINE, kHklmRunKey, kWpappValue, Registry::RegView::Native64);
}

BOOL SetAutorun(bool enable, const std::wstring& programPath, const std::wstring& name, const std::wstring& description,
                int delaySeconds) {
    if (programPath.empty()) return FALSE;
    const std::wstring taskName = name.empty() ? kAutorunName : name;
    if (!enable) {
        DeleteAutorunTask(taskName);
        DeleteRunValue(taskName);
        return TRUE;
    }
    const std::wstring path = Unquoted(programPath);
    const std::wstring taskPath = L"\"" + path + L"\"";
    if (CreateAutorunTask(taskPath, taskName, description.empty() ? kAutorunDescription : description, delaySeconds)) {
        Log(L"Add auto run task schedule success, %s", path.c_str());
        return TRUE;
    }
    BOOL written = WriteRunValue(taskName, taskPath);
    Log(L"Add auto run register, %s", path.c_str());
    return written;
}
