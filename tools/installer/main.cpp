// korvel_setup.exe: installs the simulated Korvelia product into the current (Wine) machine.
// Command line: see install_options.h. Exit code 0 when everything was installed, 1 otherwise.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/installer/install_options.h"
#include "tools/installer/product_entries.h"
#include "tools/installer/product_installer.h"
#include "tools/installer/product_layout.h"

namespace {

void PrintLine(const std::wstring& text) {
    std::wstring line = text + L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    fflush(stdout);
}

std::wstring AppDataDir() {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return std::wstring();
    return buffer;
}

// The distinct top-level names of the foreign entries, each preceded by a blank.
std::wstring ForeignTopLevelNames(const Layout::ProductLayout& layout) {
    std::wstring names;
    for (const Layout::FileEntry& entry : layout.foreignFiles) {
        std::wstring name = L" " + entry.target.substr(0, entry.target.find(L'\\'));
        if ((names + L" ").find(name + L" ") == std::wstring::npos) names += name;
    }
    return names;
}

}  // namespace

int wmain() {
    const wchar_t* commandLine = GetCommandLineW();
    // Skip the program name (quoted or not) to get the tail.
    bool quoted = *commandLine == L'"';
    for (++commandLine; *commandLine && (quoted ? *commandLine != L'"' : *commandLine != L' '); ++commandLine) {
    }
    if (*commandLine == L'"') ++commandLine;

    InstallOptions options;
    std::wstring error;
    if (!ParseInstallOptions(commandLine, &options, &error)) {
        PrintLine(L"korvel_setup: " + error);
        return 1;
    }
    const std::wstring appData = AppDataDir();
    if (appData.empty()) {
        PrintLine(L"korvel_setup: the application-data folder is unknown");
        return 1;
    }
    Layout::ProductLayout layout = Layout::MakeProductLayout(options, appData);
    InstallSummary summary;
    std::vector<std::wstring> failures;
    bool ok = InstallProduct(layout, &summary, &failures);
    const int entries = InstallProductEntries(options, &failures);
    ok = ok && failures.empty();
    for (const std::wstring& failure : failures) PrintLine(L"korvel_setup: " + failure);
    PrintLine(L"Foreign entries (not the product's):" + ForeignTopLevelNames(layout));
    PrintLine(L"Korvelia installed into " + layout.installDir + L" (" + std::to_wstring(summary.files) + L" files, " +
              std::to_wstring(summary.registryValues) + L" registry values, " + std::to_wstring(entries) +
              L" shortcuts and autorun entries, user data in " + layout.userDataDir + L")" +
              (ok ? L"" : L" with errors"));
    return ok ? 0 : 1;
}
