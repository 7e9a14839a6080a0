#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/lock.h"
#include "base/singleton.h"
#include "base/thread.h"
#include "base/ui_thread.h"

namespace {

struct SlowToBuild {
    SlowToBuild() {
        constructions.fetch_add(1);
        Sleep(50);  // widens the window in which a second thread could build another one
    }
    static inline std::atomic<int> constructions{0};
};

TEST(SingletonTest, ConcurrentFirstCallsShareOneInstance) {
    std::vector<SlowToBuild*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = CSingletonT<SlowToBuild>::Instance(); });
    for (auto& t : threads) t.join();
    ASSERT_NE(seen[0], nullptr);
    for (SlowToBuild* p : seen) EXPECT_EQ(p, seen[0]);
    EXPECT_EQ(SlowToBuild::constructions.load(), 1);
}

TEST(LockTest, AutoLockerOnNullDoesNothingAndLocksAreReentrant) {
    { _BaseModule::CAutoLocker nothing(nullptr); }
    _BaseModule::CCriticalSection section;
    _BaseModule::CAutoLocker outer(&section);
    _BaseModule::CAutoLocker inner(&section);  // same thread: must not deadlock
    SUCCEED();
}

class GatedCallback : public IThreadCallback {
public:
    GatedCallback() : gate(CreateEventW(nullptr, TRUE, FALSE, nullptr)), done(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~GatedCallback() {
        CloseHandle(gate);
        CloseHandle(done);
    }
    void OnThreadRun(void* param) override {
        params.push_back(param);
        threadIds.push_back(GetCurrentThreadId());
        comReady = SUCCEEDED(CoInitialize(nullptr)) ? true : false;  // S_FALSE: already initialised
        CoUninitialize();
        WaitForSingleObject(gate, 5000);
        SetEvent(done);
    }
    HANDLE gate, done;
    std::vector<void*> params;
    std::vector<DWORD> threadIds;
    bool comReady = false;
};

TEST(XThreadTest, RunOnBusyThreadIsRefusedAndRunsShareOneThread) {
    GatedCallback callback;
    CXThread thread;
    int first = 1, second = 2, third = 3;
    ASSERT_TRUE(thread.Run(&first, &callback));
    EXPECT_FALSE(thread.Run(&second, &callback));  // refused, not queued
    SetEvent(callback.gate);
    ASSERT_EQ(WaitForSingleObject(callback.done, 5000), WAIT_OBJECT_0);
    while (thread.IsBusy()) Sleep(1);
    ASSERT_TRUE(thread.Run(&third, &callback));
    ASSERT_EQ(WaitForSingleObject(callback.done, 5000), WAIT_OBJECT_0);
    while (thread.IsBusy()) Sleep(1);

    ASSERT_EQ(callback.params.size(), 2u);
    EXPECT_EQ(callback.params[0], &first);
    EXPECT_EQ(callback.params[1], &third);
    EXPECT_EQ(callback.threadIds[0], callback.threadIds[1]);
    EXPECT_NE(callback.threadIds[0], GetCurrentThreadId());
    EXPECT_TRUE(callback.comReady);
}

struct Recorder {
    void Mark() { threadId = GetCurrentThreadId(); }
    void Add(int n) { total += n; }
    DWORD threadId = 0;
    int total = 0;
};

TEST(UIThreadTest, SendBeforeTheWindowExistsDoesNothing) {
    // Runs first in this binary (tests run in declaration order), before any window was created.
    Recorder recorder;
    mf_bind_t<Recorder, Recorder*, void> mark(&Recorder::Mark, &recorder);
    SendToUIThread(&mark);
    EXPECT_EQ(recorder.threadId, 0u);
}

TEST(UIThreadTest, CallsFromAWorkerRunOnTheWindowThread) {
    ASSERT_TRUE(CreateUIThreadWindow());
    ASSERT_TRUE(CreateUIThreadWindow());  // once per process
    Recorder recorder;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        mf_bind_t<Recorder, Recorder*, void> mark(&Recorder::Mark, &recorder);
        mf_bind_t_1<Recorder, Recorder*, void, int> add(&Recorder::Add, &recorder, 5);
        SendToUIThread(&mark);
        SendToUIThread(&add);
        SendToUIThread(nullptr);
        finished = true;
    });
    // The UI thread must pump for the synchronous calls to get through.
    MSG msg;
    for (int i = 0; i < 5000 && !finished; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(1);
    }
    worker.join();
    EXPECT_EQ(recorder.threadId, GetCurrentThreadId());
    EXPECT_EQ(recorder.total, 5);
}

unsigned __stdcall FreeAndSignal(void* param) {
    auto* event = static_cast<HANDLE*>(param);
    SetEvent(*event);
    delete event;  // the thread owns its parameter
    return 0;
}

TEST(SimpleThreadTest, StartRecordsTheIdAndRunsDetached) {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CSimpleThread thread;
    EXPECT_EQ(thread.ThreadId(), static_cast<unsigned>(-1));
    ASSERT_TRUE(thread.Start(FreeAndSignal, new HANDLE(done)));
    EXPECT_NE(thread.ThreadId(), static_cast<unsigned>(-1));
    EXPECT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0);
    CloseHandle(done);
}

}  // namespace
