#pragma once
#include <windows.h>

#include <string>

// Puts an installed product back in working order: its desktop and programs-menu shortcuts, its
// uninstall entry and its autorun. The product's files are not touched. Two brandings share one
// installation layout; the App Paths value "ProductName" tells them apart. Runs on a thread with COM.
class CProductRestore {
public:
    // Reads the installation directory and the branding from the product's App Paths key.
    CProductRestore();

    // Replaces the shortcuts of both brandings by the installed branding's, then writes the uninstall
    // entry when every shortcut was made. Does nothing without an existing installation directory.
    void RestoreProduct();
    // Sets the INI autorun flag and the autorun of "vorizar.exe" (a logon task, else a `Run` value).
    BOOL EnableAutorun();
    // Starts "vorizar.exe" from the installation directory; true when it started.
    bool StartAutorunProgram();

    // A shell link at `shortcutPath` to an existing `target`, working in the target's directory; the
    // icon is taken from `iconPath` at `iconIndex` unless the index is negative. `notify` tells the
    // shell that its icons changed.
    static BOOL CreateShortcut(const std::wstring& target, const std::wstring& arguments,
                               const std::wstring& shortcutPath, const std::wstring& iconPath, int iconIndex,
                               bool notify);

    const std::wstring& InstallDir() const { return m_installDir; }
    bool IsVantelle() const { return m_vantelle; }

private:
    struct Branding;
    bool CreateBrandingShortcuts(const Branding& branding);
    void WriteUninstallEntry(const Branding& branding);

    std::wstring m_installDir;
    bool m_vantelle = false;
};
