#include "base/thread.h"

#include <objbase.h>
#include <process.h>

CXThread::~CXThread() {
    if (!m_initialised.load()) return;
    SetEvent(m_stopEvent.Get());
    WaitForSingleObject(m_thread.Get(), kStopWaitMs);
}

bool CXThread::StartWorker() {
    m_runEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_runEvent.IsValid() || !m_stopEvent.IsValid()) return false;
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadMain, this, 0, nullptr)));
    return m_thread.IsValid();
}

bool CXThread::Run(void* param, IThreadCallback* callback) {
    // The busy flag is claimed here, not on the worker, so two quick Runs cannot both be accepted.
    long idle = 0;
    if (!m_busy.compare_exchange_strong(idle, 1)) return false;
    if (!m_initialised.load()) {
        if (!StartWorker()) {
            m_busy.store(0);
            return false;
        }
        m_initialised.store(1);
    }
    m_callback.store(callback);
    m_param.store(param);
    SetEvent(m_runEvent.Get());
    return true;
}

unsigned __stdcall CXThread::ThreadMain(void* self) {
    auto* thread = static_cast<CXThread*>(self);
    HANDLE events[2] = {thread->m_stopEvent.Get(), thread->m_runEvent.Get()};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) thread->Execute();
    return 0;
}

void CXThread::Execute() {
    HRESULT hr = CoInitialize(nullptr);
    if (IThreadCallback* callback = m_callback.load()) callback->OnThreadRun(m_param.load());
    m_busy.store(0);
    if (SUCCEEDED(hr)) CoUninitialize();
}

bool CSimpleThread::Start(ThreadFunction function, void* param) {
    m_function = function;
    m_param = param;
    unsigned id = 0;
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, function, param, 0, &id)));
    if (!m_thread.IsValid()) return false;
    m_threadId = id;
    m_thread.Reset();  // detached: nobody waits for it
    return true;
}
