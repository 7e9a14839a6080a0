// Step families whose work this build does not carry yet. Each says in the log what it skipped, so a
// run shows exactly which parts of the product were left to other means.
#include "engine/step_families.h"

#include "base/log.h"

namespace {
void Skipped(const wchar_t* what) { Log(L"skipped: %s (not in this build)", what); }
}  // namespace

void RunUninstProgramList(CSetupConfig*, const std::wstring&) { Skipped(L"helper uninstallers"); }
void RunRundllUnregisterList(CSetupConfig*, const std::wstring&) { Skipped(L"rundll unregistration"); }
void CallGameCenterHelper(bool) { Skipped(L"game-center helper"); }
void StartPluginTask(const std::wstring&) { Skipped(L"plugin uninstall"); }
void CallDllInterfaceEx(const std::wstring&) { Skipped(L"registered helper interfaces"); }
void RunFilePeList(const std::wstring&) { Skipped(L"file_pe programs"); }
void CallProtectionUninst(const std::wstring&) { Skipped(L"protection component Uninst"); }
void ReleaseGuard(const std::wstring&) { Skipped(L"guard program"); }
void CloseAndKillProductPrograms(CSetupConfig*, const std::wstring&) { Skipped(L"closing programs"); }
void RemoveDesktopShortcuts() { Skipped(L"desktop shortcuts"); }
void RemoveStartMenuFolders() { Skipped(L"start menu folders"); }
void RemoveAutorun(const std::wstring&) { Skipped(L"autorun entries"); }
int RemoveUninstallEntry() {
    Skipped(L"uninstall entry");
    return 0;
}
DWORD ReportUninstallActivity(const std::wstring&, const std::wstring&) {
    Skipped(L"activity report");
    return 0;
}
