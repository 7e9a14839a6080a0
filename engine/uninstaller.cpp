#include "engine/uninstaller.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

#include "base/bind.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/product.h"
#include "base/registry.h"
#include "base/sysinfo.h"
#include "base/ui_thread.h"
#include "config/setup_config.h"
#include "engine/file_remover.h"
#include "engine/service_entry.h"
#include "engine/step_families.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\OrbWallPaper";
constexpr wchar_t kClassKey[] = L"Vantelle";
constexpr wchar_t kFileListKeys[][80] = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\file_list",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\file_pe",
};
constexpr const wchar_t* kServicesBeforeFiles[] = {L"TessmarLock", L"TessmarLockWp", L"DazuzaviRovuverUz"};
constexpr wchar_t kServiceAfterFiles[] = L"DerurorudizoVE";
constexpr int kDefaultTotalFiles = 200;

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE)) return std::wstring();
    return path;
}

std::wstring Trim(const std::wstring& text) {
    size_t begin = text.find_first_not_of(L" \t\r\n");
    if (begin == std::wstring::npos) return std::wstring();
    size_t end = text.find_last_not_of(L" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

}  // namespace

void CUninstaller::Start(IUninstallCallback* callback) {
    m_callback = callback;
    m_thread.Run(nullptr, this);
    Log(L"start uninstall thread...");
}

void CUninstaller::DetachCallback() {
    _BaseModule::CAutoLocker guard(&m_callbackLock);
    m_callback = nullptr;
}

void CUninstaller::SetProgress(int value) {
    wchar_t text[32];
    _snwprintf(text, 32, L"nProgress=%d\n", value);
    text[31] = L'\0';
    OutputDebugStringW(text);
    mf_bind_t_1<CUninstaller, CUninstaller*, void, int> call(&CUninstaller::NotifyProgress, this,
                                                             std::min(value, 99));
    SendToUIThread(&call);
}

void CUninstaller::AdvanceFileProgress() {
    m_processedFiles = std::min(m_processedFiles + 1, m_totalFiles);
    float share = static_cast<float>(m_processedFiles) / static_cast<float>(m_totalFiles);
    SetProgress(static_cast<int>(share * 88.0f + 10.0f));
}

void CUninstaller::NotifyStart() {
    if (m_callback) m_callback->OnUninstallStart();
}
void CUninstaller::NotifyProgress(int value) {
    if (m_callback) m_callback->OnProgress(value);
}
void CUninstaller::NotifyEnd() {
    if (m_callback) m_callback->OnUninstallEnd();
}

void CUninstaller::OnThreadRun(void*) {
    m_mainProgramVersion = GetFileVersionText(Paths::Join(m_installDir, Product::kMainProgram));
    std::wstring channel;
    if (Registry::ReadString(HKEY_CURRENT_USER, kSettingsKey, L"pid", &channel, MAX_PATH - 1) && !channel.empty())
        m_channel = Trim(channel);
    RunSequence();
}

void CUninstaller::RunSequence() {
    mf_bind_t<CUninstaller, CUninstaller*, void> start(&CUninstaller::NotifyStart, this);
    SendToUIThread(&start);

    SetProgress(1);
    Log(L"start call program");
    RunCallProgramList(m_config, m_installDir);
    RunRundllList(m_config, m_installDir);
    RunGameCenterHelper(m_installDir, m_uninstallGameCenter);
    m_pluginTask.StartTask(m_installDir);
    RunRunList(m_installDir);
    RunFilePeList(m_installDir);

    SetProgress(4);
    Log(L"start close all processes");
    CloseAllPrograms(m_config, m_installDir);

    SetProgress(5);
    CallProtectionUninst(m_installDir);
    Log(L"remove desktop shortcuts");
    RemoveDesktopShortcuts();
    SetProgress(6);
    Log(L"remove start menu shortcuts");
    RemoveStartMenuFolders();

    std::wstring appData = SpecialFolder(CSIDL_APPDATA);
    std::wstring cefCache = Paths::Join(appData, L"Orbwp\\cef_cache");
    if (!appData.empty() && Paths::DirectoryExists(cefCache)) RemoveTree(cefCache);
    Log(L"remove cef cache");
    if (m_removeUserData) {
        Log(L"remove appdata");
        std::wstring userData = Paths::Join(appData, L"Orbwp");
        if (!appData.empty() && Paths::DirectoryExists(userData)) RemoveTree(userData);
    }

    SetProgress(7);
    Log(L"remove file by registry");
    for (const wchar_t* key : kFileListKeys) DeleteRegistryListedFiles(m_installDir, key, m_undeletable);

    Log(L"remove registry");
    RemoveProductRegistry();

    SetProgress(8);
    Log(L"remove autorun");
    RemoveAutorun(m_installDir);
    SetProgress(9);
    RemoveUninstallEntry();
    ReleaseGuard(m_installDir);
    for (const wchar_t* service : kServicesBeforeFiles) StopAndDeleteLogged(service);

    Log(L"start delete all files in %s", m_installDir.c_str());
    IUninstallRootDirList* rootList = m_config ? m_config->GetRootDirList() : nullptr;
    if (!CountInstallDirFiles(m_installDir, rootList, &m_totalFiles) || m_totalFiles <= 0)
        m_totalFiles = kDefaultTotalFiles;
    DeleteInstallDirFiles(m_installDir, rootList, m_undeletable, [this] { AdvanceFileProgress(); });
    Log(L"end delete all files in %s", m_installDir.c_str());
    RemoveOldUninstallerCopy();

    Log(L"start uninstall DerurorudizoVE.");
    SetProgress(97);
    CServiceEntry lastService(kServiceAfterFiles);
    lastService.Stop();
    lastService.Delete();
    DeleteByExtensionOrSchedule(m_installDir, L".tmp");

    SetProgress(98);
    Log(L"start create runonce bat");
    WriteRunOnceBatch(m_undeletable, m_installDir);

    SetProgress(100);
    mf_bind_t<CUninstaller, CUninstaller*, void> end(&CUninstaller::NotifyEnd, this);
    SendToUIThread(&end);

    DWORD reportResult = ReportUninstallActivity(m_channel, m_mainProgramVersion);
    Log(L"re unistinfo ret=%lu", reportResult);

    _BaseModule::CAutoLocker guard(&m_callbackLock);
    if (m_callback) m_callback->OnRealUninstallEnd();
}

void CUninstaller::RemoveProductRegistry() {
    wchar_t subKey[1024] = {};
    HKEY root = m_config ? m_config->GetRegAppPathRoot() : nullptr;
    if (!m_config || !m_config->GetRegAppPathSubKey(subKey, 1024) || !subKey[0] || !root) return;
    Registry::DeleteTree(root, subKey);
    Registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    Registry::DeleteTree(HKEY_CLASSES_ROOT, kClassKey);
}

void CUninstaller::RemoveOldUninstallerCopy() {
    wchar_t programFiles[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles))) return;
    std::wstring parent = Paths::Join(programFiles, L"Orb");
    std::wstring dir = Paths::Join(parent, L"Orbkorvel");
    std::wstring copy = Paths::Join(dir, L"Uninstall.exe");
    if (Paths::FileExists(copy)) DeleteFileW(copy.c_str());
    if (Paths::DirectoryExists(dir)) RemoveDirectoryW(dir.c_str());
    if (Paths::DirectoryExists(parent)) RemoveDirectoryW(parent.c_str());
}
