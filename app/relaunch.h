#pragma once
#include <string>

// Copies the uninstaller and what it needs into "%TEMP%\{GUID}.tmp" and starts the copy with
// "/READYUNINSTALL" (and the caller token for silent runs). Non-zero when the copy was started.
int RelaunchFromTempCopy(const std::wstring& tail);

// The file name of `parentPath` without its extension: empty without a backslash or a dot.
std::wstring ParentNameWithoutExtension(const std::wstring& parentPath);
// The child's command line: the tail, then "  /READYUNINSTALL", then for silent runs "  /CHK=<token>".
std::wstring BuildChildCommandLine(const std::wstring& tail, bool silent, const std::wstring& token);
