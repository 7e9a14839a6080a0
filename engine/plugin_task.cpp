#include "engine/plugin_task.h"

#include <windows.h>

#include "base/log.h"
#include "base/paths.h"
#include "base/registry.h"
#include "engine/helper_calls.h"

namespace {

constexpr wchar_t kIniFile[] = L"config.set";
constexpr wchar_t kIniSection[] = L"plugin_xd";
constexpr wchar_t kIniKey[] = L"uninstall_cmd_param";
constexpr wchar_t kLauncherKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ZOZOzavidavaVovora.exe";
constexpr wchar_t kLauncherValue[] = L"Launcher";
constexpr size_t kTextChars = MAX_PATH;
constexpr DWORD kLauncherWaitMs = 3000;

}  // namespace

int CPluginTask::StartTask(const std::wstring& installDir) {
    m_installDir = installDir;
    DWORD exitCode = static_cast<DWORD>(-1);
    BOOL result = FALSE;
    if (ReadCommand() && !m_launcher.empty())
        result = RunProgram(m_launcher.c_str(), m_parameters.c_str(), SW_SHOWNORMAL, false, true, &exitCode,
                            kLauncherWaitMs);
    Log(L"CPluginTask::StartTask result=%d code=%d", result, static_cast<int>(exitCode));
    return 0;
}

void CPluginTask::OnTaskEvent(IHttpTask*, HttpTaskInfo* info) {
    if (!info || info->state != kHttpFinished || !Paths::FileExists(m_launcher)) return;
    DWORD exitCode = static_cast<DWORD>(-1);
    RunProgram(m_launcher.c_str(), m_parameters.c_str(), SW_SHOWNORMAL, true, true, &exitCode, kLauncherWaitMs);
    Log(L"CPluginTask::RunPlugin result=%d code=%d", 1, static_cast<int>(exitCode));
}

// The INI's uninstall parameters and, only when there are any, the launcher path; false without parameters.
bool CPluginTask::ReadCommand() {
    wchar_t parameters[kTextChars] = {};
    const std::wstring ini = Paths::Join(m_installDir, kIniFile);
    GetPrivateProfileStringW(kIniSection, kIniKey, L"", parameters, kTextChars, ini.c_str());
    m_parameters = parameters;
    if (m_parameters.empty()) return false;
    std::wstring launcher;
    if (Registry::ReadString(HKEY_LOCAL_MACHINE, kLauncherKey, kLauncherValue, &launcher, kTextChars - 1))
        m_launcher = launcher;
    return true;
}
