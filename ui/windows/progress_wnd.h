#pragma once
#include <windows.h>

#include "base/scoped.h"
#include "engine/uninstall_callback.h"
#include "ui/toolkit/base_wnd.h"

class IUninstallTask;

// The wizard step that runs the uninstall: showing it starts the engine with this window as the
// engine's callback. It keeps the real-end event that the main window waits on before the process ends.
class CProgressWnd : public IBaseWnd, public IUninstallCallback {
public:
    CProgressWnd(IUninstallTask* task, bool silent) : m_task(task), m_silent(silent) {}
    CProgressWnd(const CProgressWnd&) = delete;
    CProgressWnd& operator=(const CProgressWnd&) = delete;

    void ShowWnd() override;
    void HideWnd() override {}
    void SetNotifyWnd(HWND hwnd) override { m_notify = hwnd; }
    void SetAnchorWnd(HWND hwnd) override { m_anchor = hwnd; }
    void DestroyWnd() override {}

    void OnUninstallStart() override {}
    void OnProgress(int nProgress) override { m_progress = nProgress; }
    void OnUninstallEnd() override;
    void OnRealUninstallEnd() override;

    // True when the real-end event exists and is signalled within 20 minutes.
    BOOL WaitRealEnd();
    bool EngineStarted() const { return m_started; }

    static constexpr DWORD kRealEndWaitMs = 1200000;

private:
    IUninstallTask* m_task;
    bool m_silent;
    bool m_started = false;
    int m_progress = 0;
    HWND m_notify = nullptr;
    HWND m_anchor = nullptr;
    ScopedHandle m_realEnd;
};
