#pragma once
#include <windows.h>

// The interfaces of the maker's network library ("VarUZ.dll"). Operations are in a fixed slot order;
// the library and the program agree on nothing else.

class IHttpTask;

struct HttpTaskInfo {
    DWORD reserved0;
    DWORD state;  // 0 and 1: running, 2: finished with a response, 3: failed
    DWORD reserved2;
    DWORD reserved3;
    const char* body;  // NUL-terminated response body, valid during the call (state 2)
};

enum HttpTaskState : DWORD { kHttpRunning = 0, kHttpRunning2 = 1, kHttpFinished = 2, kHttpFailed = 3 };
enum HttpStartKind : int { kHttpGet = 0, kHttpWithParams = 2 };

class IHttpTaskCallback {
public:
    virtual void OnTaskEvent(IHttpTask* task, HttpTaskInfo* info) = 0;
};

class IHttpTask {
public:
    virtual void SetCallback(IHttpTaskCallback* callback) = 0;
    virtual int Start(int kind, const wchar_t* url) = 0;
    virtual void Release() = 0;
    virtual void AddParam(const char* name, const char* value) = 0;
    virtual void AddParamW(const wchar_t* name, const wchar_t* value) = 0;
    virtual void AddData(const char* name, const void* bytes, int length, const char* fileName,
                         const char* contentType) = 0;
    virtual void SetOption(const char* name, int value) = 0;
};

class IHttpTaskFactory {
public:
    virtual IHttpTask* CreateTask() = 0;
};

// Calls Release on the task (the owner of a task uses this to drop it).
struct HttpTaskDeletor {
    void operator()(IHttpTask* task) const {
        if (task) task->Release();
    }
};

using HttpInitFn = IHttpTaskFactory*(__cdecl*)();
using HttpUninitFn = void(__cdecl*)(IHttpTaskFactory*);
