#pragma once
#include <windows.h>

#include <string>

#include "net/http_task.h"

// One loaded network library: module, entry points and task factory. A library is loaded only when
// its file exists and its signature verifies; a binding without a factory counts as absent.
class CNetLibBinding {
public:
    CNetLibBinding() = default;
    ~CNetLibBinding();  // frees nothing unless ReleaseAtExit was asked for
    CNetLibBinding(const CNetLibBinding&) = delete;
    CNetLibBinding& operator=(const CNetLibBinding&) = delete;

    // Loads `path` once (later calls keep the first library) and calls HttpInit once.
    bool Load(const std::wstring& path);
    IHttpTaskFactory* Factory() const { return m_factory; }
    bool IsLoaded() const { return m_module != nullptr; }
    // For bindings that own their module: HttpUninit with the factory, then FreeLibrary.
    void Unload();

private:
    HMODULE m_module = nullptr;
    HttpInitFn m_httpInit = nullptr;
    HttpUninitFn m_httpUninit = nullptr;
    FARPROC m_zlibUncompress = nullptr;
    FARPROC m_zlibCompress = nullptr;
    FARPROC m_zlibCompressBound = nullptr;
    IHttpTaskFactory* m_factory = nullptr;
};

// The path of the shared library next to the executable: "VarUZ.dll", or "OrbVarUZ.dll" when that
// file does not exist (taken without a further existence test).
std::wstring SharedNetLibPath();
// The shared binding, loaded by start-up and never unloaded.
CNetLibBinding* SharedNetLib();
