#pragma once
#include <windows.h>

#include <vector>

#include "base/lock.h"

// Keeps a second installer or uninstaller of the product from running. The named mutex is shared with
// the product's installer; the loser pokes the winner's main window so it can come forward.
class CInstanceMutex {
public:
    static constexpr UINT kPokeMessage = WM_USER + 0x1000;

    CInstanceMutex() = default;
    ~CInstanceMutex() { ReleaseAll(); }
    CInstanceMutex(const CInstanceMutex&) = delete;
    CInstanceMutex& operator=(const CInstanceMutex&) = delete;

    // True when this process may run (also when the mutex cannot be created at all).
    bool CheckSingleInstance();
    // Closes every owned handle once; safe to call again.
    void ReleaseAll();

private:
    _BaseModule::CCriticalSection m_lock;
    std::vector<HANDLE> m_handles;
};

// The process-wide guard.
CInstanceMutex& InstanceGuard();
