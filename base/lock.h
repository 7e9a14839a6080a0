#pragma once
#include <windows.h>

namespace _BaseModule {

// The only lock types of the program: a re-entrant critical section and its scoped locker.
class ILocker {
public:
    virtual bool Lock() = 0;
    virtual bool Unlock() = 0;
};

class CCriticalSection : public ILocker {
public:
    CCriticalSection() { InitializeCriticalSection(&m_section); }
    virtual ~CCriticalSection() { DeleteCriticalSection(&m_section); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    bool Lock() override {
        EnterCriticalSection(&m_section);
        return true;
    }
    bool Unlock() override {
        LeaveCriticalSection(&m_section);
        return true;
    }

private:
    CRITICAL_SECTION m_section;
};

// Locks on construction (a null locker is allowed and does nothing), unlocks on destruction.
class CAutoLocker {
public:
    explicit CAutoLocker(ILocker* locker) : m_locker(locker) {
        if (m_locker) m_locker->Lock();
    }
    virtual ~CAutoLocker() {
        if (m_locker) m_locker->Unlock();
        m_locker = nullptr;
    }
    CAutoLocker(const CAutoLocker&) = delete;
    CAutoLocker& operator=(const CAutoLocker&) = delete;

private:
    ILocker* m_locker;
};

}  // namespace _BaseModule
