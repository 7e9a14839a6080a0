#include "ui/windows/message_box.h"

#include <atomic>

namespace {
std::atomic<bool> g_suppressed{false};
constexpr wchar_t kCaption[] = L"Korvelia";
}  // namespace

void SetMessageBoxesSuppressed(bool suppressed) { g_suppressed.store(suppressed); }
bool MessageBoxesSuppressed() { return g_suppressed.load(); }

int ShowMessage(HWND owner, const wchar_t* text, UINT buttons) {
    if (g_suppressed.load()) return -1;
    return MessageBoxW(owner, text, kCaption, buttons | MB_SETFOREGROUND);
}
