// A stand-in for the network library, signed like the product's files: it only records that a
// process loaded it, so a run can show whether it reached the network library at all.
#include <windows.h>

#include "tools/product/product_common.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ProductSim::RecordCall(L"VarUZ.dll", L"loaded");
    return TRUE;
}
