#include "tools/installer/install_options.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "base/paths.h"
#include "tools/product/product_common.h"

namespace {

constexpr wchar_t kDefaultChannel[] = L"orbwp_main";
constexpr wchar_t kDefaultBranding[] = L"vantelle";
const wchar_t* const kKnownOptions[] = {L"dir", L"uninstaller", L"payload", L"channel", L"branding"};

std::wstring ProgramFilesDir() {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return std::wstring();
    return buffer;
}

// Every argument must be one of the known "/name=value" options.
bool CheckArguments(const wchar_t* commandLine, std::wstring* error) {
    int count = 0;
    std::wstring line = std::wstring(L"setup ") + (commandLine ? commandLine : L"");
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
    if (!argv) return false;
    bool ok = true;
    for (int i = 1; i < count && ok; ++i) {
        std::wstring argument = argv[i];
        bool known = false;
        for (const wchar_t* name : kKnownOptions)
            known =
                known || _wcsnicmp(argument.c_str(), (std::wstring(L"/") + name + L"=").c_str(), wcslen(name) + 2) == 0;
        if (!known) {
            *error = L"unknown argument: " + argument;
            ok = false;
        }
    }
    LocalFree(argv);
    return ok;
}

}  // namespace

bool ParseInstallOptions(const wchar_t* commandLine, InstallOptions* options, std::wstring* error) {
    if (!CheckArguments(commandLine, error)) return false;
    ProductSim::CCommandOptions parsed(commandLine);
    options->payloadDir = parsed.Value(L"payload", Paths::ModuleDirectory());
    options->uninstaller = parsed.Value(L"uninstaller", Paths::Join(options->payloadDir, L"Uninstall.exe"));
    options->channel = parsed.Value(L"channel", kDefaultChannel);
    options->branding = parsed.Value(L"branding", kDefaultBranding);
    options->installDir = parsed.Value(L"dir", L"");
    if (options->installDir.empty()) {
        std::wstring programFiles = ProgramFilesDir();
        if (programFiles.empty()) {
            *error = L"the Program Files folder is unknown";
            return false;
        }
        options->installDir = Paths::Join(programFiles, L"Korvelia");
    }
    while (options->installDir.size() > 3 && options->installDir.back() == L'\\') options->installDir.pop_back();
    // The layout spreads entries over the whole directory: never a relative path or a drive root.
    if (PathIsRelativeW(options->installDir.c_str()) || PathIsRootW(options->installDir.c_str())) {
        *error = L"not a possible installation directory: " + options->installDir;
        return false;
    }
    return true;
}
