#include "ui/toolkit/window_impl.h"

CWindowImplBase::~CWindowImplBase() {
    // The object goes first: unbind it so no late message reaches a destroyed object.
    if (m_hwnd && IsWindow(m_hwnd)) SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
}

HWND CWindowImplBase::Create(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {sizeof(wc)};
    if (!GetClassInfoExW(instance, className, &wc)) {
        wc = {sizeof(wc)};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = className;
        if (!RegisterClassExW(&wc)) return nullptr;
    }
    return CreateWindowExW(exStyle, className, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, parent, nullptr, instance, this);
}

LRESULT CALLBACK CWindowImplBase::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<CWindowImplBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CWindowImplBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);

    LRESULT result = 0;
    bool handled = self->ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        self->OnFinalMessage();
    }
    return handled ? result : DefWindowProcW(hwnd, msg, wParam, lParam);
}
