#pragma once
#include <string>

// Small path and file-system helpers shared by every subsystem.
namespace Paths {

std::wstring ModulePath();       // full path of the running executable
std::wstring ModuleDirectory();  // its directory, without trailing backslash
std::wstring TempDirectory();    // GetTempPathW, with trailing backslash
// Joins with exactly one backslash between the parts.
std::wstring Join(const std::wstring& dir, const std::wstring& name);
std::wstring FileName(const std::wstring& path);         // after the last backslash
std::wstring ParentDirectory(const std::wstring& path);  // before the last backslash
bool Exists(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// "{XXXXXXXX-XXXX-xxxx-XXXX-XXXXXXXXXXXX}.tmp" under `parent` that does not exist yet (at most 10
// attempts); empty when every attempt collided.
std::wstring NewGuidTempName(const std::wstring& parent);

}  // namespace Paths
