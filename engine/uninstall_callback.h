#pragma once

// The engine's progress receiver (the progress window). The first three operations run on the UI
// thread while the worker waits; OnRealUninstallEnd runs on the worker under the engine's callback lock.
class IUninstallCallback {
public:
    virtual void OnUninstallStart() = 0;
    virtual void OnProgress(int nProgress) = 0;
    virtual void OnUninstallEnd() = 0;
    virtual void OnRealUninstallEnd() = 0;
};
