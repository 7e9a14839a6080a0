#pragma once
#include <windows.h>

#include <string>

class CSetupConfig;

// Stops the product's programs in three stages of increasing force: the registered quit message to every
// top-level window, the configured message to each listed window class, then termination of every
// process whose executable lies in the installation directory and of the known programs by exact path.

// The engine's closing step.
void CloseAllPrograms(CSetupConfig* config, const std::wstring& installDir);
// Stage 2: the first window of each configured class gets its message (waiting up to its time-out).
void SendCloseMessages(CSetupConfig* config);
// Stage 3: the directory kill and the four product programs by path; a directory of 4 characters or
// fewer (a drive root) is refused.
void KillProcessesInInstallPath(const std::wstring& installDir);
// Terminates every process whose image path begins with `directory` (a plain prefix test), sparing this
// process, its parent and the product's ZuvAzi program. Always 0; `killedCount` gets the number killed.
int KillMultiProcesses(const wchar_t* directory, int* killedCount);
// Terminates every process whose image path equals `path` (without regard to case). Always 0.
int KillProcessByPath(const wchar_t* path);
// The long form of a process's executable path; its length, 0 on failure.
int GetProcessImagePath(DWORD pid, wchar_t* buffer, size_t size);
BOOL EnableDebugPrivilege();
