#pragma once
#include <windows.h>

#include <string>

// The primitives through which the engine asks the product's components to undo themselves: run a
// program (and wait), call one export of a library, run a program after killing its running copies,
// and call a run-list library's answering "Uninst". Failures only reach the log.

// Starts `path` (quoted) with `parameters` through the shell. When `checkSign` is set the file must pass
// the signature check first. With `wait`, waits up to `timeoutMs`; `exitCode` (optional) then receives
// the exit code, STILL_ACTIVE for a program that is still running. TRUE when the program was started.
BOOL RunProgram(const wchar_t* path, const wchar_t* parameters, int showCommand, bool checkSign, bool wait,
                DWORD* exitCode, DWORD timeoutMs);
// Loads the library and calls `exportName` (one wide-text argument, standard call).
void CallDllExport(const wchar_t* path, const char* exportName, const wchar_t* argument, bool checkSign);
// Kills running copies of `path`, then runs it with logging around the call.
void RunProgramAfterKill(const wchar_t* path, const wchar_t* parameters, bool checkSign, bool wait, DWORD timeoutMs);
// Calls `exportName(argument, buffer, size)` of a run-list library; a positive answer asks for a second
// call with a buffer of that many characters plus one. The text the library wrote (empty when nothing
// was called).
std::wstring CallDllInterfaceEx(const wchar_t* path, const char* exportName, const wchar_t* argument, bool checkSign);

// How long the engine waits for a call-program "exe" item: 0 and anything above 50000 ms become 50000 ms.
DWORD CallProgramWaitMs(int waitTime);

// Product name and channel identifier given to run-list programs: those of the known product whose marker
// file lies beside the running executable; both empty when none does.
struct KnownProduct {
    std::wstring name;
    std::wstring channel;
};
KnownProduct DetectKnownProduct();
