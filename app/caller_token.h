#pragma once
#include <string>

// The proof that a silent relaunched run was started by the uninstaller itself: the word "nhifsni"
// enciphered under this machine's identifier.
std::wstring MakeCallerToken();
bool IsValidCallerToken(const std::wstring& token);
