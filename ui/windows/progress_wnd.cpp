#include "ui/windows/progress_wnd.h"

#include <stdio.h>

#include "base/log.h"
#include "base/registry.h"
#include "engine/uninstall_task.h"

namespace {

// "unistdate": when the product was uninstalled, kept for a later installation.
void WriteUninstallDate() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t text[32];
    int n = _snwprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                       t.wSecond);
    ScopedRegKey key;
    if (Registry::CreateKey(HKEY_CURRENT_USER, L"Software\\OrbWallPaperEver", KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    // Stored without its terminator, as the product reads it.
    RegSetValueExW(key.Get(), L"unistdate", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(n * sizeof(wchar_t)));
}

}  // namespace

void CProgressWnd::ShowWnd() {
    // The visible progress page belongs to the interactive wizard; both runs start the engine here.
    m_started = true;
    m_task->StartUninstall(this);
}

void CProgressWnd::OnUninstallEnd() {
    if (!m_realEnd.IsValid()) m_realEnd.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    WriteUninstallDate();
    HideWnd();
    if (m_notify) PostMessageW(m_notify, WM_WIZARD_STEP, kStepProgress, 0);
}

void CProgressWnd::OnRealUninstallEnd() {
    if (m_realEnd.IsValid()) SetEvent(m_realEnd.Get());
    Log(L"CInstallingModel::OnRealInstallEnd");
}

BOOL CProgressWnd::WaitRealEnd() {
    if (!m_realEnd.IsValid()) return FALSE;
    return WaitForSingleObject(m_realEnd.Get(), kRealEndWaitMs) == WAIT_OBJECT_0;
}
