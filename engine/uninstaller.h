#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/lock.h"
#include "base/thread.h"
#include "engine/plugin_task.h"
#include "engine/uninstall_callback.h"

class CSetupConfig;

// The engine: one worker thread walks the fixed uninstall sequence and reports through
// IUninstallCallback. No step stops the sequence; failures are logged and the next step runs.
class CUninstaller : public IThreadCallback {
public:
    explicit CUninstaller(CSetupConfig* config) : m_config(config) {}
    CUninstaller(const CUninstaller&) = delete;
    CUninstaller& operator=(const CUninstaller&) = delete;

    // Stores the callback and starts the worker thread; returns at once.
    void Start(IUninstallCallback* callback);
    // After it returns no callback operation starts any more.
    void DetachCallback();

    void SetInstallDir(const std::wstring& dir) { m_installDir = dir; }
    const std::wstring& InstallDir() const { return m_installDir; }
    void SetUninstallGameCenter(bool flag) {
        if (m_gameCenterFromThisProduct) m_uninstallGameCenter = flag;
    }
    void SetGameCenterFromThisProduct(bool flag) { m_gameCenterFromThisProduct = flag; }
    void SetRemoveUserData(bool flag) { m_removeUserData = flag; }

    // Reports min(value, 99) to the callback on the UI thread.
    void SetProgress(int value);
    // Per-file progress of the file-removal step: 10 + counter / total * 88.
    void AdvanceFileProgress();

    void OnThreadRun(void* param) override;

private:
    void RunSequence();
    void RemoveProductRegistry();
    void RemoveOldUninstallerCopy();
    // Bound calls sent to the UI thread; each reads the callback when it runs there.
    void NotifyStart();
    void NotifyProgress(int value);
    void NotifyEnd();

    CSetupConfig* m_config;
    int m_processedFiles = 0;
    std::wstring m_installDir;
    std::vector<std::wstring> m_undeletable;
    IUninstallCallback* m_callback = nullptr;
    bool m_uninstallGameCenter = false;
    bool m_gameCenterFromThisProduct = false;
    bool m_removeUserData = false;
    _BaseModule::CCriticalSection m_callbackLock;
    int m_totalFiles = 0;
    std::wstring m_mainProgramVersion;
    std::wstring m_channel;
    CPluginTask m_pluginTask;
    CXThread m_thread;  // last: stopped before the state it uses goes away
};
