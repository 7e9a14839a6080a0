#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "config/root_dir_list.h"

// A window to ask to close before uninstalling ("Setup/CloseAllPrograms/Program").
struct CloseProgramItem {
    wchar_t windowClass[200];
    UINT message;  // WM_CLOSE, WM_QUIT or WM_COMMAND
    int wParam;
    int lParam;
    int timeout;  // milliseconds
};

// A helper program or library function to call on uninstall ("Setup/CallProgramOnUninst/Program").
struct CallProgramItem {
    wchar_t fileName[MAX_PATH];  // relative to the installation directory
    wchar_t type[MAX_PATH];      // "exe" or "dll"
    wchar_t funcName[MAX_PATH];  // "dll" items
    wchar_t para[MAX_PATH];      // "dll" items
    wchar_t cmdline[MAX_PATH];   // "exe" items
    wchar_t signType[MAX_PATH];  // publisher the signer must carry; empty: any accepted publisher
    int waitTime;                // milliseconds
    int sync;
};

// A library entry point run through the rundll host ("Setup/RundllUnRegisterOnUnInst/Item"),
// kept only when its "System" matches the bitness of the running Windows.
struct RundllItem {
    wchar_t fileName[MAX_PATH];
    wchar_t entry[MAX_PATH];
    wchar_t cmdline[MAX_PATH];
    int waitTime;  // milliseconds
};

// The product's setup project as the uninstaller needs it. Operations in a fixed slot order.
// Text getters: false for a null buffer; otherwise the buffer is emptied and the text copied only when
// it is shorter than `capacity` characters. Record getters zero the record, then copy it when `index` is valid.
class ISetupConfig {
public:
    // Unpacks the resource (a 7z archive; the 7-Zip library must be loaded) and loads the project
    // `projectFileName` from it.
    virtual bool Init(HMODULE instance, UINT resourceId, const wchar_t* resourceType,
                      const wchar_t* projectFileName) = 0;
    virtual int GetMinimizeSpace() const = 0;
    virtual IUninstallRootDirList* GetRootDirList() = 0;
    virtual bool GetVersion(wchar_t* buffer, size_t capacity) const = 0;
    virtual bool GetMainApp(wchar_t* buffer, size_t capacity) const = 0;
    virtual HKEY GetRegAppPathRoot() const = 0;
    virtual bool GetRegAppPathSubKey(wchar_t* buffer, size_t capacity) const = 0;
    virtual bool GetRegAppPathValue(wchar_t* buffer, size_t capacity) const = 0;
    virtual size_t GetCloseProgramCount() const = 0;
    virtual bool GetCloseProgram(size_t index, CloseProgramItem* item) const = 0;
    // Install-time lists: the uninstaller never fills them.
    virtual bool GetCheckFile(size_t index, wchar_t* buffer, size_t capacity) const = 0;
    virtual size_t GetCheckFileCount() const = 0;
    virtual bool GetInstProgram(size_t index, CallProgramItem* item) const = 0;
    virtual size_t GetInstProgramCount() const = 0;
    virtual bool GetUninstProgram(size_t index, CallProgramItem* item) const = 0;
    virtual size_t GetUninstProgramCount() const = 0;
    virtual int GetFileCount() const = 0;

protected:
    ~ISetupConfig() = default;
};

class CSetupConfig : public ISetupConfig {
public:
    CSetupConfig() = default;
    // Deletes the directory the project was unpacked into.
    virtual ~CSetupConfig();
    CSetupConfig(const CSetupConfig&) = delete;
    CSetupConfig& operator=(const CSetupConfig&) = delete;

    bool Init(HMODULE instance, UINT resourceId, const wchar_t* resourceType,
              const wchar_t* projectFileName) override;
    // Reads the project at `path` (and the root-directory list it names, which must exist and load).
    // On failure the previous contents stay.
    bool Load(const std::wstring& path);

    int GetMinimizeSpace() const override { return m_project.minimizeSpace; }
    IUninstallRootDirList* GetRootDirList() override { return &m_rootDirList; }
    bool GetVersion(wchar_t* buffer, size_t capacity) const override;
    bool GetMainApp(wchar_t* buffer, size_t capacity) const override;
    HKEY GetRegAppPathRoot() const override { return m_project.regAppPathRoot; }
    bool GetRegAppPathSubKey(wchar_t* buffer, size_t capacity) const override;
    bool GetRegAppPathValue(wchar_t* buffer, size_t capacity) const override;
    size_t GetCloseProgramCount() const override { return m_project.closePrograms.size(); }
    bool GetCloseProgram(size_t index, CloseProgramItem* item) const override;
    bool GetCheckFile(size_t index, wchar_t* buffer, size_t capacity) const override;
    size_t GetCheckFileCount() const override { return 0; }
    bool GetInstProgram(size_t index, CallProgramItem* item) const override;
    size_t GetInstProgramCount() const override { return 0; }
    bool GetUninstProgram(size_t index, CallProgramItem* item) const override;
    size_t GetUninstProgramCount() const override { return m_project.uninstPrograms.size(); }
    int GetFileCount() const override { return m_project.fileCount; }

    // The rundll list (items for this Windows' bitness), read by the engine directly.
    size_t GetRundllItemCount() const { return m_project.rundllItems.size(); }
    bool GetRundllItem(size_t index, RundllItem* item) const;

    // Full paths of the lists the project names (the file list is not otherwise used).
    const std::wstring& GetFileListPath() const { return m_project.fileListPath; }
    const std::wstring& GetRootDirListPath() const { return m_project.rootDirListPath; }
    // The directory Init unpacked into; empty before a successful Init.
    const std::wstring& GetUnpackDir() const { return m_unpackDir; }

    static constexpr int kDefaultMinimizeSpace = 100;
    static constexpr int kDefaultFileCount = 200;
    static constexpr size_t kMaxProjectPath = 512;

private:
    struct Project {
        std::wstring version;
        std::wstring mainApp;
        HKEY regAppPathRoot = HKEY_LOCAL_MACHINE;
        std::wstring regAppPathSubKey;
        std::wstring regAppPathValue;
        int minimizeSpace = kDefaultMinimizeSpace;
        int fileCount = kDefaultFileCount;
        std::wstring fileListPath;
        std::wstring rootDirListPath;
        std::vector<CloseProgramItem> closePrograms;
        std::vector<CallProgramItem> uninstPrograms;
        std::vector<RundllItem> rundllItems;
    };

    void RemoveUnpackDir();

    Project m_project;
    CUninstallRootDirList m_rootDirList;
    std::wstring m_unpackDir;
};
