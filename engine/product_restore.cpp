#include "engine/product_restore.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "base/paths.h"
#include "base/registry.h"
#include "base/product.h"
#include "base/scoped.h"
#include "engine/autorun.h"
#include "engine/shortcut_removal.h"
#include "engine/step_families.h"
#include "engine/uninstall_entry.h"

namespace {

constexpr wchar_t kUserSettingsKey[] = L"Software\\OrbWallPaper";
constexpr wchar_t kVantelle[] = L"vantelle";
constexpr wchar_t kLiteChannel[] = L"paperLite";
constexpr wchar_t kAutorunProgram[] = L"vorizar.exe";
constexpr int kAutorunDelaySeconds = 60;
constexpr DWORD kMaxVersionResource = 16383;

bool ReadsVantelle() {
    std::wstring name;
    return Registry::ReadString(HKEY_LOCAL_MACHINE, Product::kAppPathsKey, L"ProductName", &name) &&
           _wcsicmp(name.c_str(), kVantelle) == 0;
}

bool IsLiteChannel() {
    std::wstring channel;
    return Registry::ReadString(HKEY_CURRENT_USER, kUserSettingsKey, L"pid", &channel) &&
           _wcsicmp(channel.c_str(), kLiteChannel) == 0;
}

// "%d.%d.%d.%d" of the fixed file version; empty without a (reasonably sized) version resource.
std::wstring FixedVersionText(const std::wstring& path) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0 || size > kMaxVersionResource) return std::wstring();
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || length < sizeof(*info))
        return std::wstring();
    wchar_t text[64] = {};
    _snwprintf(text, ARRAYSIZE(text) - 1, L"%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
               HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

std::wstring ShortPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD chars = GetShortPathNameW(path.c_str(), buffer, ARRAYSIZE(buffer));
    return chars > 0 && chars < ARRAYSIZE(buffer) ? buffer : path;
}

}  // namespace

struct CProductRestore::Branding {
    std::wstring desktopShortcut;
    const wchar_t* programsFolder;
    const wchar_t* programShortcut;
    const wchar_t* uninstallShortcut;
    int iconIndex;
    std::wstring displayIcon;
};

CProductRestore::CProductRestore() {
    if (!Registry::ReadString(HKEY_LOCAL_MACHINE, Product::kAppPathsKey, L"path", &m_installDir, Product::kInstallDirChars - 1))
        m_installDir.clear();
    m_vantelle = ReadsVantelle();
}

void CProductRestore::RestoreProduct() {
    if (m_installDir.empty() || !Paths::DirectoryExists(m_installDir)) return;
    RemoveDesktopShortcuts();
    RemoveProgramsFolders(CSIDL_COMMON_PROGRAMS, true);
    RemoveProgramsFolders(CSIDL_PROGRAMS, true);

    m_vantelle = ReadsVantelle();
    const Branding branding =
        m_vantelle ? Branding{IsLiteChannel() ? L"KorveliaLite.lnk" : L"Korvelia.lnk", kVantelleProgramsFolder,
                              L"Korvelia.lnk", L"卸载Korvelia.lnk", 1, Paths::Join(m_installDir, L"Utils\\vantelle.ico")}
                   : Branding{L"Orb壁纸.lnk", kOrbProgramsFolder, L"Orb壁纸.lnk", L"卸载Orb壁纸.lnk", 0, L""};
    if (CreateBrandingShortcuts(branding)) WriteUninstallEntry(branding);
}

bool CProductRestore::CreateBrandingShortcuts(const Branding& branding) {
    const std::wstring mainProgram = Paths::Join(m_installDir, Product::kMainProgram);
    const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    if (desktop.empty() || programs.empty()) return false;
    if (!CreateShortcut(mainProgram, L"", Paths::Join(desktop, branding.desktopShortcut), mainProgram,
                        branding.iconIndex, false))
        return false;
    const std::wstring folder = Paths::Join(programs, branding.programsFolder);
    if (!Paths::DirectoryExists(folder)) SHCreateDirectory(nullptr, folder.c_str());
    if (!CreateShortcut(mainProgram, L"", Paths::Join(folder, branding.programShortcut), mainProgram,
                        branding.iconIndex, false))
        return false;
    const std::wstring uninstaller = Paths::Join(m_installDir, Product::kUninstaller);
    return CreateShortcut(uninstaller, L"", Paths::Join(folder, branding.uninstallShortcut), uninstaller, 0, true);
}

void CProductRestore::WriteUninstallEntry(const Branding& branding) {
    // SHSetValueW takes no view flag: create the parent in the product's view and write relative to it.
    const std::wstring entry = kUninstallEntryKey;
    const size_t slash = entry.find_last_of(L'\\');
    ScopedRegKey parent;
    if (Registry::CreateKey(HKEY_LOCAL_MACHINE, entry.substr(0, slash), KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS)
        return;
    const std::wstring leaf = entry.substr(slash + 1);
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"DisplayIcon", branding.displayIcon},
        {L"DisplayName", L""},
        {L"DisplayVersion", FixedVersionText(Paths::Join(m_installDir, Product::kMainProgram))},
        {L"InstallLocation", m_installDir},
        {L"Publisher", L""},
        {L"UninstallString", Paths::Join(m_installDir, Product::kUninstaller)},
        {L"URLInfoAbout", L""},
    };
    // With the terminating NUL: readers may rely on it, and an empty text must not become a value of
    // zero bytes (some registry tools cannot list those).
    for (const auto& value : values)
        SHSetValueW(parent.Get(), leaf.c_str(), value.first, REG_SZ, value.second.c_str(),
                    static_cast<DWORD>((value.second.size() + 1) * sizeof(wchar_t)));
}

BOOL CProductRestore::EnableAutorun() {
    // Without a known installation directory there is no INI file and no program to run.
    if (m_installDir.empty()) return FALSE;
    SetAutorunIniFlag(m_installDir, L"1");
    return SetAutorun(true, Paths::Join(m_installDir, kAutorunProgram), L"", L"", kAutorunDelaySeconds);
}

bool CProductRestore::StartAutorunProgram() {
    if (m_installDir.empty()) return false;
    const std::wstring program = Paths::Join(m_installDir, kAutorunProgram);
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, m_installDir.c_str(),
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

BOOL CProductRestore::CreateShortcut(const std::wstring& target, const std::wstring& arguments,
                                     const std::wstring& shortcutPath, const std::wstring& iconPath, int iconIndex,
                                     bool notify) {
    if (!Paths::FileExists(target)) return FALSE;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return FALSE;
    link->SetPath(target.c_str());
    if (!arguments.empty()) link->SetArguments(arguments.c_str());
    link->SetShowCmd(SW_SHOW);
    link->SetWorkingDirectory(Paths::ParentDirectory(target).c_str());
    if (iconIndex >= 0) link->SetIconLocation(ShortPath(iconPath).c_str(), iconIndex);
    if (FAILED(file->Save(shortcutPath.c_str(), TRUE))) return FALSE;
    if (notify) {
        PostMessageW(HWND_BROADCAST, WM_WININICHANGE, 42, 0);
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    }
    return TRUE;
}
