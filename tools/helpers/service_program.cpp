// A service of the product: a real service process that runs until the service manager asks it to stop.
// It records "<service name>|running" once started and "<service name>|stopped" on the stop control.
#include <windows.h>

#include <string>

#include "tools/product/product_common.h"

namespace {
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
std::wstring g_name;

void Report(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control != SERVICE_CONTROL_STOP) return NO_ERROR;
    ProductSim::RecordCall(g_name, L"stopped");
    Report(SERVICE_STOP_PENDING);
    SetEvent(g_stopEvent);
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv) {
    g_name = argc > 0 && argv[0] ? argv[0] : L"service";
    g_statusHandle = RegisterServiceCtrlHandlerExW(g_name.c_str(), Handler, nullptr);
    if (!g_statusHandle) return;
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    ProductSim::RecordCall(g_name, L"running");
    WaitForSingleObject(g_stopEvent, INFINITE);
    Report(SERVICE_STOPPED);
}
}  // namespace

// Command line: <service name> [<record file>] (services do not inherit a test's environment).
int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    if (argc > 2) SetEnvironmentVariableW(ProductSim::kRecordVariable, argv[2]);
    SERVICE_TABLE_ENTRYW table[] = {{argv[1], ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
