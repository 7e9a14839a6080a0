#pragma once
#include <windows.h>

#include <string>

class CSetupConfig;

// The step families the uninstall sequence calls besides file removal and services: helper programs,
// closing programs, shortcuts and autorun, and the activity report. All run on the engine's worker thread.

// Helper programs.
void RunUninstProgramList(CSetupConfig* config, const std::wstring& installDir);
void RunRundllUnregisterList(CSetupConfig* config, const std::wstring& installDir);
void CallGameCenterHelper(bool uninstallGameCenter);
void StartPluginTask(const std::wstring& installDir);
void CallDllInterfaceEx(const std::wstring& installDir);
void RunFilePeList(const std::wstring& installDir);
void CallProtectionUninst(const std::wstring& installDir);
void ReleaseGuard(const std::wstring& installDir);

// Closing the product's programs.
void CloseAndKillProductPrograms(CSetupConfig* config, const std::wstring& installDir);

// Shortcuts, autorun and the uninstall entry.
void RemoveDesktopShortcuts();
void RemoveStartMenuFolders();
void RemoveAutorun(const std::wstring& installDir);
int RemoveUninstallEntry();

// The activity report of a finished uninstall; its result is logged by the engine.
DWORD ReportUninstallActivity(const std::wstring& channel, const std::wstring& mainProgramVersion);
