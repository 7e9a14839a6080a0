// Cost of the first and of later requests for both machine identifiers in one process.
#include <windows.h>

#include <stdio.h>

#include "identity/machine_id.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

template <typename Call>
void Measure(const char* name, Call call) {
    const int kLater = 1000;
    LARGE_INTEGER start, first, end;
    QueryPerformanceCounter(&start);
    call();
    QueryPerformanceCounter(&first);
    for (int i = 0; i < kLater; ++i) call();
    QueryPerformanceCounter(&end);
    printf("%-5s first call %10.3f ms   later calls %10.4f ms each (%d calls)\n", name, Milliseconds(start, first),
           Milliseconds(first, end) / kLater, kLater);
}

}  // namespace

int wmain() {
    Measure("mid", [] {
        wchar_t mid[64];
        GetMachineIdW(mid, 64);
    });
    Measure("mid2", [] {
        wchar_t mid2[64];
        GetMachineId2(mid2, 64);
    });
    return 0;
}
