// A helper program of the product (helper uninstaller, rundll host, game-center program, guard, plugin
// launcher, run-list program: tests copy it under those names). It records "<own file name>|<command
// tail>", then with "/sleep=<ms>" waits that long and records "<own file name>|ended", and exits with
// "/exit=<code>" (default 0). A helper cut short never writes its "ended" line.
#include <stdlib.h>

#include "tools/product/product_common.h"

namespace {
std::wstring OwnFileName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    ProductSim::CCommandOptions options(commandLine);
    const std::wstring self = OwnFileName();
    ProductSim::RecordCall(self, options.Tail());
    DWORD sleepMs = static_cast<DWORD>(wcstoul(options.Value(L"sleep", L"0").c_str(), nullptr, 10));
    if (sleepMs) {
        Sleep(sleepMs);
        ProductSim::RecordCall(self, L"ended");
    }
    return static_cast<int>(wcstol(options.Value(L"exit", L"0").c_str(), nullptr, 10));
}
