#include "app/instance_mutex.h"

#include "base/product.h"

bool CInstanceMutex::CheckSingleInstance() {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, Product::kInstanceMutex);
    if (!mutex) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        if (HWND running = FindWindowExW(nullptr, nullptr, Product::kMainWindowClass, nullptr))
            PostMessageW(running, kPokeMessage, 0, 0);
        return false;
    }
    _BaseModule::CAutoLocker guard(&m_lock);
    m_handles.push_back(mutex);
    return true;
}

void CInstanceMutex::ReleaseAll() {
    std::vector<HANDLE> handles;
    {
        _BaseModule::CAutoLocker guard(&m_lock);
        handles.swap(m_handles);
    }
    for (HANDLE h : handles) CloseHandle(h);
}

CInstanceMutex& InstanceGuard() {
    static CInstanceMutex guard;
    return guard;
}
