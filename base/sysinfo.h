#pragma once
#include <windows.h>

#include <string>

// Facts about the running Windows: the true version (the version call under-reports it to programs
// without a compatibility manifest), WOW64 and the bitness of the system.

// A process-wide object created on first use (thread-safe), living until the process ends.
template <typename T>
class static_singleton_base {
public:
    static T& Instance() {
        static T instance;
        return instance;
    }
};

class COSVersionCheck : public static_singleton_base<COSVersionCheck> {
public:
    COSVersionCheck();
    virtual ~COSVersionCheck() = default;
    COSVersionCheck(const COSVersionCheck&) = delete;
    COSVersionCheck& operator=(const COSVersionCheck&) = delete;

    // Copies the refined version (the extended record, dwOSVersionInfoSize 284) computed at creation.
    void GetTrueVersion(OSVERSIONINFOEXW* record) const;
    // -1 not computed, 1 refined from the kernel file, 0 otherwise.
    int State() const { return m_state; }
    // major * 10 + minor of the refined version (61 for Windows 7, 100 for Windows 10).
    DWORD VersionNumber() const { return m_version.dwMajorVersion * 10 + m_version.dwMinorVersion; }

private:
    OSVERSIONINFOEXW m_version = {};
    int m_state = -1;
};

// True when IsWow64Process exists and reports the current process as running under WOW64.
bool IsWow64();
// True on a 64-bit system (x64, IA-64, ARM64); computed once per process.
bool Is64BitOs();

// The engine's file-version text; empty when the file has no version resource. On Windows 10 and
// later with a 32-bit processor it prefers the FileVersion string of the first listed translation
// (commas turned into dots, blanks removed); otherwise "%d.%d.%d.%d" of the fixed file version.
std::wstring GetFileVersionText(const std::wstring& path);

// Pieces of the version refinement and of the file-version text, exposed for tests.
namespace sysinfo_detail {
// The kernel file whose product version refines the version: ...\SysNative\ntoskrnl.exe under WOW64.
std::wstring KernelFilePath(const std::wstring& windowsDir, bool wow64);
// Raises `record` to the kernel's product version (major.minor from MS, build from the high half of
// LS) when that is newer; true when it did.
bool RefineFromProductVersion(DWORD productVersionMS, DWORD productVersionLS, OSVERSIONINFOW* record);
// Commas become dots, blanks go.
std::wstring NormaliseVersionString(const std::wstring& text);
std::wstring FormatFixedVersion(DWORD fileVersionMS, DWORD fileVersionLS);
}  // namespace sysinfo_detail
