#include <gtest/gtest.h>

#include "app/instance_mutex.h"
#include "base/product.h"

namespace {

// A hidden window of the main window's class that counts the pokes of a second instance.
struct PokeCounter {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == CInstanceMutex::kPokeMessage) ++pokes;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    PokeCounter() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = Product::kMainWindowClass;
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, Product::kMainWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               wc.hInstance, nullptr);
    }
    ~PokeCounter() { DestroyWindow(hwnd); }
    void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    HWND hwnd;
    static inline int pokes = 0;
};

TEST(InstanceMutexTest, SecondInstanceLosesAndPokesTheRunningWindow) {
    CInstanceMutex first, second;
    ASSERT_TRUE(first.CheckSingleInstance());

    EXPECT_FALSE(second.CheckSingleInstance());  // no window yet: nothing to poke
    PokeCounter window;
    ASSERT_NE(window.hwnd, nullptr);
    EXPECT_FALSE(second.CheckSingleInstance());
    window.Pump();
    EXPECT_EQ(PokeCounter::pokes, 1);

    first.ReleaseAll();
    first.ReleaseAll();  // the list is empty now: nothing is closed twice
    EXPECT_TRUE(second.CheckSingleInstance());
}

}  // namespace
