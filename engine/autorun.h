#pragma once
#include <windows.h>

#include <string>

// The product's autorun: a scheduled task started at logon, `Run` registry values and the "open" flag in
// the "auto_run" section of config.set in the installation directory. The task operations initialise COM
// themselves (balanced), so they run on any thread.

constexpr wchar_t kAutorunName[] = L"Orbwp-srv";
constexpr wchar_t kAutorunDescription[] = L"Starts Orbwp-srv when a user logs on.";
constexpr wchar_t kAutorunArguments[] = L"/autorun --from=task";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Removes every autorun entry the product makes and clears the INI flag (the engine's autorun step).
void RemoveAutorun(const std::wstring& installDir);
// Deletes the `Run` value `name` under HKCU and HKLM; 1.
int DeleteRunValue(const std::wstring& name);
// Deletes the task `name` from the root task folder; 1 when the folder was reached (task or not), else 0.
int DeleteAutorunTask(const std::wstring& name);
// Creates (enable) or removes (disable) the autorun of `programPath`. Creation tries a logon task and
// falls back to the HKLM `Run` value. Empty `name` / `description` take the defaults above.
BOOL SetAutorun(bool enable, const std::wstring& programPath, const std::wstring& name = std::wstring(),
                const std::wstring& description = std::wstring(), int delaySeconds = 0);
// Writes "open" = `value` in section "auto_run" of config.set in `installDir`.
void SetAutorunIniFlag(const std::wstring& installDir, const wchar_t* value);
