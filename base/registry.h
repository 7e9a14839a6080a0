#pragma once
#include <windows.h>

#include <string>

#include "base/scoped.h"

// The one way into the registry. The shipped program is a 32-bit process, so HKLM\SOFTWARE is seen
// through the 32-bit view; the 64-bit build keeps that by opening every HKLM key with KEY_WOW64_32KEY
// (a no-op in a 32-bit process). RegView::Native64 is for the few places that name the 64-bit view.
namespace Registry {

enum class RegView { Product, Native64 };

// The view flag to add to an access mask for a key under `root`.
REGSAM ViewFlag(HKEY root, RegView view = RegView::Product);

LONG OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, ScopedRegKey* key,
             RegView view = RegView::Product);
LONG CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, ScopedRegKey* key,
               RegView view = RegView::Product);

// A REG_SZ / REG_EXPAND_SZ value (unexpanded), at most `maxChars` characters (0: any length).
bool ReadString(HKEY root, const std::wstring& subKey, const std::wstring& name, std::wstring* value,
                size_t maxChars = 0, RegView view = RegView::Product);
bool WriteString(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& value,
                 RegView view = RegView::Product);
bool ReadDword(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD* value,
               RegView view = RegView::Product);
bool WriteDword(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD value,
                RegView view = RegView::Product);
bool DeleteValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                 RegView view = RegView::Product);
// Deletes `subKey` with everything under it; true when it is gone (also when it never existed).
bool DeleteTree(HKEY root, const std::wstring& subKey, RegView view = RegView::Product);
bool KeyExists(HKEY root, const std::wstring& subKey, RegView view = RegView::Product);

}  // namespace Registry
