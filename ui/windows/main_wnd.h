#pragma once
#include <windows.h>

#include <functional>

#include "ui/toolkit/base_wnd.h"
#include "ui/toolkit/window_impl.h"
#include "ui/windows/leave_reason_wnd.h"
#include "ui/windows/progress_wnd.h"

class IUninstallTask;

// The conductor of the wizard: it receives every step window's report and closes the program. In a
// silent run it is never shown and goes straight to the engine.
class CMainWnd : public CWindowImplBase {
public:
    // `releaseInstanceGuard` lets a second uninstaller start once this one is closing.
    CMainWnd(IUninstallTask* task, bool silent, std::function<void()> releaseInstanceGuard);

    // Creates the window (class "OrbWallPaperSetupMainWnd", WS_POPUP) and pumps messages until WM_QUIT.
    // Returns the quit code, or 0 when the window cannot be created.
    int RunMessageLoop();

protected:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnCreate();
    void OnWizardStep(WPARAM step, LPARAM argument);
    void CloseProgram();

    IUninstallTask* m_task;
    std::function<void()> m_releaseInstanceGuard;
    CLeaveReasonWnd m_leaveReasonWnd;
    CProgressWnd m_progressWnd;
    bool m_closing = false;
};
