#pragma once

// Constants of the installed product shared by start-up, the relaunch, the instance guard and the engine.
namespace Product {

constexpr wchar_t kId[] = L"korvel";
constexpr wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe";
constexpr wchar_t kInstallDirValue[] = L"path";
constexpr wchar_t kMainProgram[] = L"qalmex.exe";
constexpr wchar_t kUninstaller[] = L"Uninstall.exe";
constexpr wchar_t kLogFileName[] = L"korvel_uninst.log";
constexpr wchar_t kSetupConfigType[] = L"SETUPCONFIG";
constexpr int kSetupConfigId = 209;
constexpr wchar_t kSetupConfigFile[] = L"korvel.zyrprj";
constexpr wchar_t kStartupFailureKey[] = L"{062979D6-583B-118c-B229-2E85D8C1D67B}";
constexpr wchar_t kDownloadPage[] = L"https://download.korvelia.com/korvel/Orbwallpaper_qalm.exe";
constexpr wchar_t kMainWindowClass[] = L"OrbWallPaperSetupMainWnd";
constexpr wchar_t kInstanceMutex[] = L"OrbWallPaperInstaller";
constexpr int kInstallDirChars = 260;

}  // namespace Product
