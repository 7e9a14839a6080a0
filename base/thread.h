#pragma once
#include <windows.h>

#include <atomic>

#include "base/scoped.h"

// Work run on a CXThread.
class IThreadCallback {
public:
    virtual void OnThreadRun(void* param) = 0;
};

// A reusable worker thread: one run at a time, COM initialised around each run. A second Run while a
// run is in progress is refused, not queued.
class CXThread {
public:
    CXThread() = default;
    virtual ~CXThread();
    CXThread(const CXThread&) = delete;
    CXThread& operator=(const CXThread&) = delete;

    // False when a run is in progress (the stored parameter is left alone) or the thread cannot start.
    bool Run(void* param, IThreadCallback* callback);
    bool IsBusy() const { return m_busy.load() != 0; }

    static constexpr DWORD kStopWaitMs = 10000;

private:
    static unsigned __stdcall ThreadMain(void* self);
    bool StartWorker();
    void Execute();

    ScopedHandle m_thread;
    ScopedHandle m_runEvent;   // auto-reset: one signal, one run
    ScopedHandle m_stopEvent;  // manual-reset: set once at destruction
    std::atomic<IThreadCallback*> m_callback{nullptr};
    std::atomic<void*> m_param{nullptr};
    std::atomic<long> m_initialised{0};
    std::atomic<long> m_busy{0};
};

// A detached one-shot thread. The thread owns its parameter and frees it.
class CSimpleThread {
public:
    using ThreadFunction = unsigned(__stdcall*)(void*);
    CSimpleThread() = default;
    virtual ~CSimpleThread() = default;
    CSimpleThread(const CSimpleThread&) = delete;
    CSimpleThread& operator=(const CSimpleThread&) = delete;

    bool Start(ThreadFunction function, void* param);
    unsigned ThreadId() const { return m_threadId; }

private:
    ScopedHandle m_thread;  // closed as soon as the thread started
    unsigned m_threadId = static_cast<unsigned>(-1);
    ThreadFunction m_function = nullptr;
    void* m_param = nullptr;
};
