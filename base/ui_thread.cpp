#include "base/ui_thread.h"

#include <windows.h>

#include <atomic>

namespace {

constexpr wchar_t kWindowClass[] = L"KorvelUIThreadCallWnd";
std::atomic<HWND> g_window{nullptr};

LRESULT CALLBACK UIThreadWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kUIThreadCallMessage) {
        auto* bind = reinterpret_cast<ISimpleBind*>(wParam);
        if (!bind) return 0;
        bind->Invoke();
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

bool CreateUIThreadWindow() {
    if (g_window.load()) return true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {sizeof(wc)};
    wc.lpfnWndProc = UIThreadWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    HWND hwnd = CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return false;
    g_window.store(hwnd);
    return true;
}

void SendToUIThread(ISimpleBind* bind) {
    HWND hwnd = g_window.load();
    if (!hwnd) return;
    SendMessageW(hwnd, kUIThreadCallMessage, reinterpret_cast<WPARAM>(bind), 0);
}
