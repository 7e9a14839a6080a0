#include "ui/windows/main_wnd.h"

#include "base/log.h"
#include "engine/uninstall_task.h"

namespace {
constexpr wchar_t kClassName[] = L"OrbWallPaperSetupMainWnd";
constexpr UINT kSecondInstancePoke = WM_USER + 0x1000;
}  // namespace

CMainWnd::CMainWnd(IUninstallTask* task, bool silent, std::function<void()> releaseInstanceGuard)
    : m_task(task),
      m_releaseInstanceGuard(std::move(releaseInstanceGuard)),
      m_leaveReasonWnd(silent),
      m_progressWnd(task, silent) {}

int CMainWnd::RunMessageLoop() {
    if (!Create(kClassName, WS_POPUP, 0)) return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool CMainWnd::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_CREATE:
            OnCreate();
            return true;
        case WM_WIZARD_STEP:
            OnWizardStep(wParam, lParam);
            return true;
        case kSecondInstancePoke:
            if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
            SetForegroundWindow(hwnd);
            return true;
        case WM_CLOSE:
            CloseProgram();
            return true;
        default:
            return false;
    }
}

void CMainWnd::OnCreate() {
    m_leaveReasonWnd.SetNotifyWnd(Handle());
    m_progressWnd.SetNotifyWnd(Handle());
    // The remedy cards of the interactive wizard are not part of this build: both runs go on to the
    // leaving-reason step, which confirms an interactive uninstall.
    m_leaveReasonWnd.SetAnchorWnd(Handle());
    m_leaveReasonWnd.ShowWnd();
}

void CMainWnd::OnWizardStep(WPARAM step, LPARAM argument) {
    if (argument != 0 && step == kStepLeaveReason) {
        m_progressWnd.SetAnchorWnd(Handle());
        m_progressWnd.ShowWnd();
        return;
    }
    CloseProgram();
}

void CMainWnd::CloseProgram() {
    if (m_closing) return;
    m_closing = true;
    ShowWindow(Handle(), SW_HIDE);
    if (m_releaseInstanceGuard) m_releaseInstanceGuard();
    Log(L"CMainWnd::OnClose");
    if (m_progressWnd.EngineStarted()) m_progressWnd.WaitRealEnd();
    Log(L"CMainWnd::OnClose finish");
    m_task->DetachCallback();
    DestroyWindow(Handle());
    PostQuitMessage(0);
}
