#pragma once
#include <string>

#include "net/http_task.h"

// Starts the separately installed plugin's launcher with the uninstall command that the product's INI file
// names, so that the plugin removes itself too. The engine calls StartTask once; no HTTP transfer is ever
// handed this task in an uninstall run, so the completion below only matters to other users.
class CPluginTask : public IHttpTaskCallback {
public:
    CPluginTask() = default;
    virtual ~CPluginTask() = default;
    CPluginTask(const CPluginTask&) = delete;
    CPluginTask& operator=(const CPluginTask&) = delete;

    // No meaningful result; "CPluginTask::StartTask result=%d code=%d" is logged in every case.
    int StartTask(const std::wstring& installDir);

    // A finished transfer (state 2) runs the launcher again, this time only when it is signed.
    void OnTaskEvent(IHttpTask* task, HttpTaskInfo* info) override;

private:
    bool ReadCommand();

    std::wstring m_launcher;
    std::wstring m_parameters;
    std::wstring m_installDir;
};
