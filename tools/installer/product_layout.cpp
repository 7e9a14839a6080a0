#include "tools/installer/product_layout.h"

#include "base/product.h"
#include "base/paths.h"

namespace Layout {

const wchar_t kFileListKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\file_list";
const wchar_t kFilePeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orbwpapp.exe\\file_pe";

namespace {

constexpr wchar_t kUserDataFolder[] = L"Orbwp";  // under the roaming application-data folder
constexpr wchar_t kUserSettingsKey[] = L"Software\\OrbWallPaper";
constexpr wchar_t kClassKey[] = L"Vantelle";

FileEntry Copied(const std::wstring& target, const std::wstring& source) { return {target, source, {}}; }
FileEntry Written(const std::wstring& target, std::string content) { return {target, {}, std::move(content)}; }

// Built programs and libraries, taken from the payload directory. "OrbwpCore.dll" is the one top-level
// entry the root-directory list does not name: it goes because it carries the product's signature.
void AddPrograms(const InstallOptions& options, std::vector<FileEntry>* files) {
    for (const wchar_t* name : {L"qalmex.exe", L"vorizar.exe", L"Orbwpapp.exe", L"OrbwpCore.dll"})
        files->push_back(Copied(name, Paths::Join(options.payloadDir, name)));
    files->push_back(Copied(Product::kUninstaller, options.uninstaller));
    files->push_back(Copied(L"Utils\\7z.dll", Paths::Join(options.payloadDir, L"7z.dll")));
    files->push_back(Copied(L"Utils\\OrbwpRender.dll", Paths::Join(options.payloadDir, L"OrbwpRender.dll")));
}

// Settings, skins, plug-ins, update data and caches in the entries the root-directory list names, plus
// two entries ("wpres.pak", "logs") that only the registry file list names.
void AddDataFiles(std::vector<FileEntry>* files) {
    files->push_back(Written(L"config.set", "[auto_run]\r\nopen=1\r\n"));
    files->push_back(Written(L"korvel.ico", std::string("\0\0\1\0", 4)));
    files->push_back(Written(L"license.txt", "Korvelia licence terms\r\n"));
    files->push_back(Written(L"FileList.xml", "<FileList count=\"214\"/>\r\n"));
    files->push_back(Written(L"skin\\default\\theme.xml", "<theme name=\"default\" accent=\"#3a7bd5\"/>\r\n"));
    files->push_back(Written(L"skin\\default\\background.png", std::string("\x89PNG\r\n\x1a\n", 8)));
    files->push_back(Written(L"plugins\\clock\\plugin.json", "{\"name\":\"clock\",\"enabled\":1}\r\n"));
    files->push_back(Written(L"update\\version.xml", "<update current=\"6.3.12.1010\"/>\r\n"));
    files->push_back(Written(L"config\\settings.xml", "<settings interval=\"30\"/>\r\n"));
    files->push_back(Written(L"cache\\thumbs\\0001.jpg", std::string("\xFF\xD8\xFF\xE0", 4)));
    files->push_back(Written(L"wallpaperhelper\\helper.ini", "[helper]\r\nmode=0\r\n"));
    files->push_back(Written(L"wpres.pak", "KORVEL-RES\x01\x02\x03"));
    files->push_back(Written(L"logs\\run.log", "started\r\n"));
}

// A user's or another vendor's entries that happen to sit in the installation directory.
void AddForeignEntries(const InstallOptions& options, std::vector<FileEntry>* files) {
    files->push_back(Written(L"UserNotes.txt", "my own notes, not Korvelia's\r\n"));
    files->push_back(Written(L"OtherVendor\\settings.ini", "[other]\r\nkeep=1\r\n"));
    files->push_back(Copied(L"foreign_tool.exe", Paths::Join(options.payloadDir, L"foreign_tool.exe")));
}

void AddUserFiles(std::vector<FileEntry>* files) {
    files->push_back(Written(L"config.set", "[login]\r\ntoken=\r\ntoken_key=\r\n[setting]\r\ninterval=30\r\n"));
    files->push_back(Written(L"cef_cache\\Cache\\index", std::string("\x00\x01\x02\x03", 4)));
    files->push_back(Written(L"cef_cache\\Local Storage\\leveldb\\000003.log", "cache"));
    files->push_back(Written(L"favorites\\list.json", "[]\r\n"));
}

std::vector<RegistryKey> MakeRegistry(const InstallOptions& options) {
    const std::wstring appPaths = Product::kAppPathsKey;
    return {
        {Root::LocalMachine,
         appPaths,
         {{L"", Paths::Join(options.installDir, Product::kMainProgram)},
          {Product::kInstallDirValue, options.installDir},
          {L"ProductName", options.branding}}},
        // Entries the root-directory list does not name, removed one by one through this list.
        {Root::LocalMachine, kFileListKey, {{L"wpres.pak", L""}, {L"logs", L""}}},
        // Programs and libraries that undo themselves: a value's data is their argument text.
        {Root::LocalMachine, kFilePeKey, {{L"vorizar.exe", L""}, {L"OrbwpCore.dll", L"core"}}},
        {Root::CurrentUser, kUserSettingsKey, {{L"pid", options.channel}, {L"InstallPath", options.installDir}}},
        {Root::ClassesRoot, kClassKey, {{L"", L"Korvelia wallpaper"}}},
    };
}

}  // namespace

ProductLayout MakeProductLayout(const InstallOptions& options, const std::wstring& appDataDir) {
    ProductLayout layout;
    layout.installDir = options.installDir;
    AddPrograms(options, &layout.productFiles);
    AddDataFiles(&layout.productFiles);
    AddForeignEntries(options, &layout.foreignFiles);
    layout.userDataDir = Paths::Join(appDataDir, kUserDataFolder);
    AddUserFiles(&layout.userFiles);
    layout.registry = MakeRegistry(options);
    return layout;
}

}  // namespace Layout
