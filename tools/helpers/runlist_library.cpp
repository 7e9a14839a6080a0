// A run-list library of the product: its "Uninst" answers into the caller's buffer. The argument
// "len=<n>" makes the first call (any buffer size but n + 1) write "short" and return n; a call with a
// buffer of n + 1 characters writes n letters "x" and returns 0. Without "len=" it writes "done" and
// returns 0. Every call records "<own file name>|Uninst <argument> size=<size>".
#include <windows.h>
#include <stdlib.h>

#include <string>

#include "tools/product/product_common.h"

namespace {
HMODULE g_module = nullptr;

std::wstring OwnFileName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(g_module, path, MAX_PATH);
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

void Answer(const std::wstring& text, wchar_t* buffer, int size) {
    if (!buffer || size <= 0) return;
    size_t n = text.size() < static_cast<size_t>(size) ? text.size() : static_cast<size_t>(size) - 1;
    text.copy(buffer, n);
    buffer[n] = L'\0';
}
}  // namespace

extern "C" __declspec(dllexport) int WINAPI Uninst(const wchar_t* argument, wchar_t* buffer, int size) {
    const std::wstring text = argument ? argument : L"";
    ProductSim::RecordCall(OwnFileName(), L"Uninst " + text + L" size=" + std::to_wstring(size));
    size_t at = text.find(L"len=");
    if (at == std::wstring::npos) {
        Answer(L"done", buffer, size);
        return 0;
    }
    int wanted = _wtoi(text.c_str() + at + 4);
    if (size == wanted + 1) {
        Answer(std::wstring(static_cast<size_t>(wanted), L'x'), buffer, size);
        return 0;
    }
    Answer(L"short", buffer, size);
    return wanted;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
