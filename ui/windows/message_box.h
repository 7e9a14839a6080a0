#pragma once
#include <windows.h>

// While set (silent runs), every message box returns -1 at once instead of showing.
void SetMessageBoxesSuppressed(bool suppressed);
bool MessageBoxesSuppressed();

// Shows `text` with the given MB_* buttons; returns the button id, or -1 when boxes are suppressed.
int ShowMessage(HWND owner, const wchar_t* text, UINT buttons);
