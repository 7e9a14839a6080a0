#pragma once
#include <windows.h>

#include "ui/toolkit/base_wnd.h"

// The step that asks why the user leaves. A silent run asks nothing and goes on at once; an
// interactive run asks the user to confirm the uninstall with a message box.
class CLeaveReasonWnd : public IBaseWnd {
public:
    explicit CLeaveReasonWnd(bool silent) : m_silent(silent) {}

    void ShowWnd() override;
    void HideWnd() override {}
    void SetNotifyWnd(HWND hwnd) override { m_notify = hwnd; }
    void SetAnchorWnd(HWND hwnd) override { m_anchor = hwnd; }
    void DestroyWnd() override {}

private:
    bool m_silent;
    HWND m_notify = nullptr;
    HWND m_anchor = nullptr;
};
