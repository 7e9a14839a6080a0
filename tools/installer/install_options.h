#pragma once
#include <string>

// The installer's command line:
//   korvel_setup.exe [/dir=<installation directory>] [/uninstaller=<Uninstall.exe to install>]
//                    [/payload=<directory of the built programs>] [/channel=<channel id>]
//                    [/branding=<"vantelle" or another product name>]
// Defaults: "<Program Files>\Korvelia", "<payload>\Uninstall.exe", the installer's own directory, "orbwp_main",
// "vantelle".
struct InstallOptions {
    std::wstring installDir;
    std::wstring uninstaller;
    std::wstring payloadDir;
    std::wstring channel;
    std::wstring branding;  // the App Paths "ProductName"; decides the shortcut names
};

// False (with `error` set) when an option is unknown, a default cannot be determined, or the installation
// directory is relative or a drive root.
bool ParseInstallOptions(const wchar_t* commandLine, InstallOptions* options, std::wstring* error);
