// A helper library of the product with the single-argument entry points the uninstaller calls: "Uninst"
// (call-program, file_pe and protection libraries), "Start4RunDll" (game center) and "UninstallShell"
// (a call-program "dll" item). Each records "<own file name>|<entry> <argument>".
#include <windows.h>

#include "tools/product/product_common.h"

namespace {
HMODULE g_module = nullptr;

void Record(const wchar_t* entry, const wchar_t* argument) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(g_module, path, MAX_PATH);
    const wchar_t* slash = wcsrchr(path, L'\\');
    ProductSim::RecordCall(slash ? slash + 1 : path, std::wstring(entry) + L" " + (argument ? argument : L""));
}
}  // namespace

extern "C" __declspec(dllexport) void WINAPI Uninst(const wchar_t* argument) { Record(L"Uninst", argument); }
extern "C" __declspec(dllexport) void WINAPI Start4RunDll(const wchar_t* argument) {
    Record(L"Start4RunDll", argument);
}
extern "C" __declspec(dllexport) void WINAPI UninstallShell(const wchar_t* argument) {
    Record(L"UninstallShell", argument);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
