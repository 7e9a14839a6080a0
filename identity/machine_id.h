#pragma once
#include <windows.h>

#include <stddef.h>

// The two machine identifiers that every report carries. Both are cached in the registry (shared with
// the maker's other programs) and computed at most once per process; any thread may ask.

// mid: 32 lower-case hexadecimal digits and a terminator. Needs room for 33 characters; false and
// nothing written otherwise.
bool GetMachineId(char* buffer, size_t size);
// mid converted with the thread's ANSI code page (the key of the caller token).
bool GetMachineIdW(wchar_t* buffer, size_t count);
// mid2 (44 characters). `count` below 50 gives E_INVALIDARG.
HRESULT GetMachineId2(wchar_t* buffer, size_t count);
