// Runs the directory kill from inside the directory it kills. "parent <dir>" starts this program again as
// "child <dir>" and exits with the child's exit code; the child kills every process below <dir> and exits
// with 10 + the number killed. Had either been killed, the test would see exit code 0.
#include <windows.h>

#include <string>

#include "engine/program_closer.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 1;
    const std::wstring role = argv[1];
    if (role == L"child") {
        int killed = 0;
        KillMultiProcesses(argv[2], &killed);
        return 10 + killed;
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" child \"" + argv[2] + L"\"";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 2;
    WaitForSingleObject(info.hProcess, 60000);
    DWORD code = 3;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}
