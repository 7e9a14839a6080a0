#include "config/setup_config.h"

#include "base/log.h"
#include "base/paths.h"
#include "base/sysinfo.h"
#include "base/dir_tree.h"
#include "config/resource_unpack.h"
#include "config/xml_archive.h"

namespace {

// Window classes of this length or longer do not fit the record and skip their item.
constexpr size_t kMaxWindowClass = 196;
constexpr int kDefaultMessageParam = 0x168;
constexpr int kDefaultCloseTimeout = 2000;
constexpr int kDefaultSync = 1;

bool CopyText(const std::wstring& text, wchar_t* buffer, size_t capacity) {
    if (!buffer) return false;
    if (capacity > 0) buffer[0] = L'\0';
    if (text.size() >= capacity) return false;
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    return true;
}

template <size_t N>
void CopyField(const std::wstring& text, wchar_t (&field)[N]) {
    CopyText(text, field, N);
}

template <typename Record>
bool CopyRecord(const std::vector<Record>& list, size_t index, Record* record) {
    if (!record) return false;
    *record = {};
    if (index >= list.size()) return false;
    *record = list[index];
    return true;
}

HKEY RootKeyByName(const std::wstring& name) {
    static const std::pair<const wchar_t*, HKEY> kRoots[] = {
        {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKEY_USERS", HKEY_USERS},                 {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}};
    for (const auto& [rootName, root] : kRoots)
        if (_wcsicmp(name.c_str(), rootName) == 0) return root;
    return HKEY_LOCAL_MACHINE;
}

// Only these exact names are recognised; anything else closes the window.
UINT MessageByName(const std::wstring& name) {
    if (name == L"WM_QUIT") return WM_QUIT;
    if (name == L"WM_COMMAND") return WM_COMMAND;
    return WM_CLOSE;
}

bool ReadCloseProgram(const CXMLArchiveItem& element, CloseProgramItem* item) {
    std::wstring windowClass, message;
    element.GetText(L"WindowClass", &windowClass, L"");
    if (windowClass.size() >= kMaxWindowClass) return false;
    *item = {};
    CopyField(windowClass, item->windowClass);
    element.GetText(L"Message", &message, L"WM_CLOSE");
    item->message = MessageByName(message);
    element.GetInt(L"WPARAM", &item->wParam, kDefaultMessageParam);
    element.GetInt(L"LPARAM", &item->lParam, kDefaultMessageParam);
    element.GetInt(L"Timeout", &item->timeout, kDefaultCloseTimeout);
    return true;
}

// Reads a text attribute into a path-sized field; false when it does not fit (the item is then skipped).
bool ReadPathField(const CXMLArchiveItem& element, const wchar_t* name, wchar_t (&field)[MAX_PATH]) {
    std::wstring text;
    element.GetText(name, &text, L"");
    if (text.size() >= MAX_PATH) return false;
    CopyField(text, field);
    return true;
}

bool ReadCallProgram(const CXMLArchiveItem& element, CallProgramItem* item) {
    *item = {};
    if (!ReadPathField(element, L"FileName", item->fileName) || !ReadPathField(element, L"Type", item->type) ||
        !ReadPathField(element, L"FuncName", item->funcName) || !ReadPathField(element, L"Para", item->para) ||
        !ReadPathField(element, L"Cmdline", item->cmdline) || !ReadPathField(element, L"SignType", item->signType))
        return false;
    element.GetInt(L"WaitTime", &item->waitTime, 0);
    element.GetInt(L"Sync", &item->sync, kDefaultSync);
    return true;
}

bool ReadRundllItem(const CXMLArchiveItem& element, bool is64BitWindows, RundllItem* item) {
    std::wstring system;
    element.GetText(L"System", &system, L"");
    if (system != (is64BitWindows ? L"64" : L"32")) return false;
    *item = {};
    if (!ReadPathField(element, L"FileName", item->fileName) || !ReadPathField(element, L"Entry", item->entry) ||
        !ReadPathField(element, L"Cmdline", item->cmdline))
        return false;
    element.GetInt(L"WaitTime", &item->waitTime, 0);
    return true;
}

// Appends every element at `path` that `read` accepts.
template <typename Record, typename Reader>
void ReadList(const CXMLArchive& document, const wchar_t* path, std::vector<Record>* list, Reader read) {
    CXMLArchiveItemList elements = document.SelectList(path);
    for (size_t i = 0; i < elements.Count(); ++i) {
        Record record;
        if (read(elements.Item(i), &record)) list->push_back(record);
    }
}

}  // namespace

CSetupConfig::~CSetupConfig() { RemoveUnpackDir(); }

void CSetupConfig::RemoveUnpackDir() {
    if (!m_unpackDir.empty()) RemoveDirectoryTree(m_unpackDir);
    m_unpackDir.clear();
}

bool CSetupConfig::Init(HMODULE instance, UINT resourceId, const wchar_t* resourceType,
                        const wchar_t* projectFileName) {
    if (!resourceType || !projectFileName) return false;
    CResourceUnpack resource;
    std::wstring unpackDir;
    if (!resource.LoadFromModule(instance, MAKEINTRESOURCEW(resourceId), resourceType) ||
        !resource.ExtractToTempDir(&unpackDir))
        return false;
    RemoveUnpackDir();
    m_unpackDir = unpackDir;
    return Load(Paths::Join(unpackDir, projectFileName));
}

bool CSetupConfig::Load(const std::wstring& path) {
    if (path.empty() || path.size() >= kMaxProjectPath || !Paths::Exists(path)) return false;
    CXMLArchive document;
    if (!document.Open(path)) {
        Log(L"setup project %s cannot be read", path.c_str());
        return false;
    }

    Project project;
    const std::wstring projectDir = Paths::ParentDirectory(path);
    std::wstring name;
    CXMLArchiveItem main = document.SelectSingle(L"Setup/Main");
    main.GetText(L"Version", &project.version, L"");
    main.GetInt(L"MinimizeSpace", &project.minimizeSpace, kDefaultMinimizeSpace);
    document.SelectSingle(L"Setup/UninstallRootDirFileList").GetText(L"File", &name, L"");
    project.rootDirListPath = Paths::Join(projectDir, name);
    CXMLArchiveItem fileList = document.SelectSingle(L"Setup/FileList");
    fileList.GetInt(L"FileCount", &project.fileCount, kDefaultFileCount);
    fileList.GetText(L"File", &name, L"");
    project.fileListPath = Paths::Join(projectDir, name);

    // The removal is filtered by this list: a project without a readable one is unusable.
    if (!Paths::FileExists(project.rootDirListPath) || !m_rootDirList.Load(project.rootDirListPath)) {
        Log(L"root-directory list %s is missing or cannot be read", project.rootDirListPath.c_str());
        return false;
    }

    CXMLArchiveItem regAppPath = document.SelectSingle(L"Setup/RegAppPath");
    regAppPath.GetText(L"HKEY", &name, L"HKEY_LOCAL_MACHINE");
    project.regAppPathRoot = RootKeyByName(name);
    regAppPath.GetText(L"SubKey", &project.regAppPathSubKey, L"");
    regAppPath.GetText(L"Value", &project.regAppPathValue, L"");
    document.SelectSingle(L"Setup/Application").GetText(L"MainApp", &project.mainApp, L"");

    ReadList(document, L"Setup/CloseAllPrograms/Program", &project.closePrograms, ReadCloseProgram);
    const bool is64BitWindows = Is64BitOs();
    ReadList(document, L"Setup/RundllUnRegisterOnUnInst/Item", &project.rundllItems,
             [is64BitWindows](const CXMLArchiveItem& element, RundllItem* item) {
                 return ReadRundllItem(element, is64BitWindows, item);
             });
    ReadList(document, L"Setup/CallProgramOnUninst/Program", &project.uninstPrograms, ReadCallProgram);
    m_project = std::move(project);
    return true;
}

bool CSetupConfig::GetVersion(wchar_t* buffer, size_t capacity) const {
    return CopyText(m_project.version, buffer, capacity);
}

bool CSetupConfig::GetMainApp(wchar_t* buffer, size_t capacity) const {
    return CopyText(m_project.mainApp, buffer, capacity);
}

bool CSetupConfig::GetRegAppPathSubKey(wchar_t* buffer, size_t capacity) const {
    return CopyText(m_project.regAppPathSubKey, buffer, capacity);
}

bool CSetupConfig::GetRegAppPathValue(wchar_t* buffer, size_t capacity) const {
    return CopyText(m_project.regAppPathValue, buffer, capacity);
}

bool CSetupConfig::GetCloseProgram(size_t index, CloseProgramItem* item) const {
    return CopyRecord(m_project.closePrograms, index, item);
}

// The install-time lists stay empty: every index is outside them.
bool CSetupConfig::GetCheckFile(size_t, wchar_t* buffer, size_t capacity) const {
    if (buffer && capacity > 0) buffer[0] = L'\0';
    return false;
}

bool CSetupConfig::GetInstProgram(size_t, CallProgramItem* item) const {
    if (item) *item = {};
    return false;
}

bool CSetupConfig::GetUninstProgram(size_t index, CallProgramItem* item) const {
    return CopyRecord(m_project.uninstPrograms, index, item);
}

bool CSetupConfig::GetRundllItem(size_t index, RundllItem* item) const {
    return CopyRecord(m_project.rundllItems, index, item);
}
