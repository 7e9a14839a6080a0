#include "engine/uninstall_task.h"

#include <wctype.h>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/signature.h"
#include "base/ui_thread.h"
#include "config/resource_unpack.h"

namespace {

constexpr wchar_t kGameCenterKey[] = L"SOFTWARE\\ZYRGameCenter";

std::wstring ReadGameCenterValue(const wchar_t* name) {
    std::wstring value;
    if (!Registry::ReadString(HKEY_LOCAL_MACHINE, kGameCenterKey, name, &value, MAX_PATH - 1)) value.clear();
    return value;
}

}  // namespace

int CUninstallTask::PreInitCheck() {
    std::wstring self = Paths::ModulePath();
    if (!VerifyFileSignature(self.c_str())) return kPreInitBadSignature;
    CreateUIThreadWindow();
    std::wstring sevenZip = Paths::Join(Paths::ParentDirectory(self), L"7z.dll");
    return CResourceUnpack::Load7Zip(sevenZip) ? kPreInitOk : kPreInit7ZipMissing;
}

BOOL CUninstallTask::InitConfig(HINSTANCE instance, UINT resourceId, const wchar_t* resourceType,
                                const wchar_t* fileName) {
    return m_config.Init(instance, resourceId, resourceType, fileName) ? TRUE : FALSE;
}

void CUninstallTask::WriteLog(const wchar_t* text) {
    if (text) Log(L"%s", text);
}

BOOL CUninstallTask::IsGameCenterNotPlayed() { return ReadGameCenterValue(L"Played").empty() ? TRUE : FALSE; }

BOOL CUninstallTask::CheckGameCenterVendor() {
    std::wstring vendor = ReadGameCenterValue(L"VendorID");
    for (wchar_t& c : vendor) c = towlower(c);
    bool ours = vendor.find(L"korvel") != std::wstring::npos;
    m_uninstaller.SetGameCenterFromThisProduct(ours);
    return ours ? TRUE : FALSE;
}

void CUninstallTask::GetInstallDir(wchar_t* buffer, int count) {
    const std::wstring& dir = m_uninstaller.InstallDir();
    if (dir.empty() || !buffer || count <= 0 || dir.size() >= static_cast<size_t>(count)) return;
    wmemcpy(buffer, dir.c_str(), dir.size() + 1);
}

CUninstallTask* UninstallTask() {
    static CUninstallTask task;
    return &task;
}

CSetupConfig* UninstallConfig() { return UninstallTask()->Config(); }
