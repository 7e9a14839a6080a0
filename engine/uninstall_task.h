#pragma once
#include <windows.h>

#include "config/setup_config.h"
#include "engine/uninstall_callback.h"
#include "engine/uninstaller.h"

// The one way from start-up and the windows into the engine. Operations in a fixed slot order; all
// are called on the UI thread.
class IUninstallTask {
public:
    virtual int PreInitCheck() = 0;
    virtual BOOL InitConfig(HINSTANCE instance, UINT resourceId, const wchar_t* resourceType,
                            const wchar_t* fileName) = 0;
    virtual void StartUninstall(IUninstallCallback* callback) = 0;
    virtual void WriteLog(const wchar_t* text) = 0;
    virtual BOOL IsGameCenterNotPlayed() = 0;
    virtual void SetUninstallGameCenter(BOOL flag) = 0;
    virtual BOOL CheckGameCenterVendor() = 0;
    virtual void SetRemoveUserData(BOOL flag) = 0;
    virtual void SetInstallDir(const wchar_t* path) = 0;
    virtual void GetInstallDir(wchar_t* buffer, int count) = 0;
    virtual void DetachCallback() = 0;
    virtual BOOL QueryOption() = 0;
    virtual void Reserved() = 0;

protected:
    ~IUninstallTask() = default;
};

// Start-up error codes of PreInitCheck.
enum PreInitResult { kPreInitOk = 0, kPreInitBadSignature = 2, kPreInit7ZipMissing = 3 };

class CUninstallTask : public IUninstallTask {
public:
    CUninstallTask() : m_uninstaller(&m_config) {}
    CUninstallTask(const CUninstallTask&) = delete;
    CUninstallTask& operator=(const CUninstallTask&) = delete;

    int PreInitCheck() override;
    BOOL InitConfig(HINSTANCE instance, UINT resourceId, const wchar_t* resourceType,
                    const wchar_t* fileName) override;
    void StartUninstall(IUninstallCallback* callback) override { m_uninstaller.Start(callback); }
    void WriteLog(const wchar_t* text) override;
    BOOL IsGameCenterNotPlayed() override;
    void SetUninstallGameCenter(BOOL flag) override { m_uninstaller.SetUninstallGameCenter(flag != FALSE); }
    BOOL CheckGameCenterVendor() override;
    void SetRemoveUserData(BOOL flag) override { m_uninstaller.SetRemoveUserData(flag != FALSE); }
    void SetInstallDir(const wchar_t* path) override { m_uninstaller.SetInstallDir(path ? path : L""); }
    void GetInstallDir(wchar_t* buffer, int count) override;
    void DetachCallback() override { m_uninstaller.DetachCallback(); }
    BOOL QueryOption() override { return TRUE; }
    void Reserved() override {}

    CSetupConfig* Config() { return &m_config; }

private:
    CSetupConfig m_config;
    CUninstaller m_uninstaller;
};

// The process-wide task and its configuration.
CUninstallTask* UninstallTask();
CSetupConfig* UninstallConfig();
