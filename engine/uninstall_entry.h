#pragma once
#include <string>

// The product's entry in the system's list of installed programs (HKLM, 32-bit view).

constexpr wchar_t kUninstallEntryKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbwpapp";

// RemoveUninstallEntry (engine/step_families.h) deletes the whole key.
