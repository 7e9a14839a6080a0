// A product library. Its "Uninst" export is what the uninstaller calls for libraries named in the
// registry's program list; it records the call and does nothing else.
#include <windows.h>

#include "tools/product/product_common.h"

extern "C" __declspec(dllexport) void WINAPI Uninst(const wchar_t* argument) {
    ProductSim::RecordCall(PRODUCT_LIBRARY_NAME, std::wstring(L"Uninst ") + (argument ? argument : L""));
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
