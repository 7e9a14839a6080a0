#pragma once
#include <windows.h>

// Posted by a wizard step window to its notify window: wParam the step (2 tip, 3 leaving-reason window,
// 4 progress window), lParam 0 ends the program, non-zero goes on.
constexpr UINT WM_WIZARD_STEP = WM_USER + 100;

enum WizardStep : WPARAM { kStepTip = 2, kStepLeaveReason = 3, kStepProgress = 4 };

// A window shown and hidden as a step of the wizard.
class IBaseWnd {
public:
    virtual void ShowWnd() = 0;
    virtual void HideWnd() = 0;
    virtual void SetNotifyWnd(HWND hwnd) = 0;
    virtual void SetAnchorWnd(HWND hwnd) = 0;
    virtual void DestroyWnd() = 0;

protected:
    ~IBaseWnd() = default;
};
