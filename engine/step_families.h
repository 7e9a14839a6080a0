#pragma once
#include <windows.h>

#include <string>

class CSetupConfig;

// The step families the uninstall sequence calls besides file removal and services: helper programs,
// closing programs, shortcuts and autorun, and the activity report. All run on the engine's worker thread.

// Helper programs (engine/helper_lists.cpp); the plugin task is the engine's own member.
// The setup project's CallProgramOnUninst list ("exe" waits clamped to 50000 ms).
void RunCallProgramList(CSetupConfig* config, const std::wstring& installDir);
// The setup project's rundll items through the signed rundll host of this Windows' bitness.
void RunRundllList(CSetupConfig* config, const std::wstring& installDir);
// The game-center library's "Start4RunDll", or its program as the fallback.
void RunGameCenterHelper(const std::wstring& installDir, bool uninstallGameCenter);
// The libraries and programs of the App Paths "run_list" key.
void RunRunList(const std::wstring& installDir);
// The libraries and programs of the App Paths "file_pe" key.
void RunFilePeList(const std::wstring& installDir);
// "Uninst" of the protection component, only when its signature verifies.
void CallProtectionUninst(const std::wstring& installDir);
// The guard program with "/UnInstallDesk", waited for at most 5000 ms.
void ReleaseGuard(const std::wstring& installDir);

// Closing the product's programs (engine/program_closer.h).
void CloseAllPrograms(CSetupConfig* config, const std::wstring& installDir);

// Shortcuts, autorun and the uninstall entry.
void RemoveDesktopShortcuts();
void RemoveStartMenuFolders();
void RemoveAutorun(const std::wstring& installDir);
int RemoveUninstallEntry();

// The activity report of a finished uninstall; its result is logged by the engine.
DWORD ReportUninstallActivity(const std::wstring& channel, const std::wstring& mainProgramVersion);
