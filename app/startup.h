#pragma once
#include <windows.h>

// The whole life of the process: preparation, the legality check, the instance guard, then one of the
// three roads (first start, restore, uninstall) and the common exit. Always returns 0.
int RunUninstaller(HINSTANCE instance, const wchar_t* tail, int show);

// A silent relaunched run must carry a valid caller token; every other run is legal.
bool CheckLegalCall();

// The text of a start-up error code (2: damaged uninstaller, 3: damaged 7z.dll), empty for others.
const wchar_t* GetStartupErrorText(int code);

// Tells the user the uninstaller is damaged and offers the download page (nothing in silent runs).
void ShowDamagedPrompt();
