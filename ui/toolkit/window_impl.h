#pragma once
#include <windows.h>

// A small window-class wrapper: one class per window type, a trampoline that binds the object at
// WM_NCCREATE, and one virtual message handler per window that says whether it handled the message.
class CWindowImplBase {
public:
    CWindowImplBase() = default;
    virtual ~CWindowImplBase();
    CWindowImplBase(const CWindowImplBase&) = delete;
    CWindowImplBase& operator=(const CWindowImplBase&) = delete;

    // Registers `className` once and creates the window; null on failure.
    HWND Create(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent = nullptr);
    HWND Handle() const { return m_hwnd; }
    bool IsAlive() const { return m_hwnd && IsWindow(m_hwnd); }

protected:
    // True when the message was handled; `result` is then returned from the window procedure.
    virtual bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // Called after WM_NCDESTROY, when the handle is already gone.
    virtual void OnFinalMessage() {}

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};
