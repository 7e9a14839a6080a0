#pragma once
#include "base/bind.h"

// One hidden window per process runs bound calls on the thread that created it (the UI thread).
constexpr unsigned kUIThreadCallMessage = 3002;

// Creates the hidden window on the calling thread, once; true when it exists.
bool CreateUIThreadWindow();
// Runs `bind->Invoke()` on the UI thread and waits for it. Does nothing before the window exists.
void SendToUIThread(ISimpleBind* bind);
