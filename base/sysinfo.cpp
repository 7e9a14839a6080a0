#include "base/sysinfo.h"

#include <string.h>
#include <wchar.h>

#include <vector>

#include "base/scoped.h"

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);

template <typename Fn>
Fn Resolve(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    return handle ? reinterpret_cast<Fn>(GetProcAddress(handle, name)) : nullptr;
}

DWORD CombinedVersion(DWORD major, DWORD minor) { return major * 10 + minor; }

// The fixed file information of the module's version resource (id 1), or false.
bool ReadKernelProductVersion(const std::wstring& path, DWORD* ms, DWORD* ls) {
    ScopedModule module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module.IsValid()) return false;
    HRSRC resource = FindResourceW(module.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module.Get(), resource);
    DWORD size = SizeofResource(module.Get(), resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return false;
    // VerQueryValueW may write into the block it reads, so it gets a private copy.
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    *ms = info->dwProductVersionMS;
    *ls = info->dwProductVersionLS;
    return true;
}

bool ComputeIs64BitOs() {
    auto getNativeSystemInfo = Resolve<GetNativeSystemInfoFn>(L"kernel32.dll", "GetNativeSystemInfo");
    if (!getNativeSystemInfo) return false;
    SYSTEM_INFO info = {};
    getNativeSystemInfo(&info);
    WORD arch = info.wProcessorArchitecture;
    if (arch == PROCESSOR_ARCHITECTURE_IA64 || arch == PROCESSOR_ARCHITECTURE_AMD64 || arch == 12 /* ARM64 */)
        return true;
    // An x86 process on ARM64 Windows sees an x86 native system above; only IsWow64Process2 tells.
    auto isWow64Process2 = Resolve<IsWow64Process2Fn>(L"kernel32", "IsWow64Process2");
    USHORT processMachine = 0, nativeMachine = 0;
    return isWow64Process2 && isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine) &&
           nativeMachine == 0xAA64;
}

bool IsWindows10OrLater() {
    auto getNumbers = Resolve<RtlGetNtVersionNumbersFn>(L"ntdll.dll", "RtlGetNtVersionNumbers");
    if (!getNumbers) return false;
    DWORD major = 0, minor = 0, build = 0;
    getNumbers(&major, &minor, &build);
    return major > 9 || (major == 6 && minor == 4);
}

// The FileVersion string of the first listed translation that has one, normalised.
std::wstring TranslatedFileVersion(const void* block) {
    const WORD* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", (void**)&translations, &size) || !translations)
        return std::wstring();
    for (UINT i = 0; i < size / (2 * sizeof(WORD)); ++i) {
        wchar_t query[64];
        _snwprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translations[2 * i],
                   translations[2 * i + 1]);
        query[63] = L'\0';
        const wchar_t* text = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block, query, (void**)&text, &length) && text)
            return sysinfo_detail::NormaliseVersionString(std::wstring(text, wcsnlen(text, length)));
    }
    return std::wstring();
}

}  // namespace

COSVersionCheck::COSVersionCheck() {
    m_version.dwOSVersionInfoSize = sizeof(m_version);
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&m_version));
    m_state = 0;
    bool wow64 = IsWow64();
    if (m_version.dwMajorVersion == 5 && wow64) return;

    if (auto rtlGetVersion = Resolve<RtlGetVersionFn>(L"ntdll", "RtlGetVersion")) {
        OSVERSIONINFOEXW native = {};
        native.dwOSVersionInfoSize = sizeof(native);
        if (rtlGetVersion(&native) == 0 &&
            CombinedVersion(native.dwMajorVersion, native.dwMinorVersion) >
                CombinedVersion(m_version.dwMajorVersion, m_version.dwMinorVersion))
            m_version = native;
    }

    wchar_t windowsDir[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(windowsDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    DWORD ms = 0, ls = 0;
    if (!ReadKernelProductVersion(sysinfo_detail::KernelFilePath(windowsDir, wow64), &ms, &ls)) return;
    if (sysinfo_detail::RefineFromProductVersion(ms, ls, reinterpret_cast<OSVERSIONINFOW*>(&m_version)))
        m_state = 1;
}

void COSVersionCheck::GetTrueVersion(OSVERSIONINFOEXW* record) const { *record = m_version; }

bool IsWow64() {
    auto isWow64Process = Resolve<IsWow64ProcessFn>(L"kernel32", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool Is64BitOs() {
    static const bool is64 = ComputeIs64BitOs();
    return is64;
}

std::wstring GetFileVersionText(const std::wstring& path) {
    static const bool preferString = IsWindows10OrLater() && !Is64BitOs();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return std::wstring();
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::wstring();
    if (preferString) {
        std::wstring text = TranslatedFileVersion(block.data());
        if (!text.empty()) return text;
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueW(block.data(), L"\\", (void**)&info, &infoSize) || !info || infoSize < sizeof(*info))
        return std::wstring();
    return sysinfo_detail::FormatFixedVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}

namespace sysinfo_detail {

std::wstring KernelFilePath(const std::wstring& windowsDir, bool wow64) {
    std::wstring path = windowsDir;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + (wow64 ? L"SysNative\\ntoskrnl.exe" : L"System32\\ntoskrnl.exe");
}

bool RefineFromProductVersion(DWORD productVersionMS, DWORD productVersionLS, OSVERSIONINFOW* record) {
    DWORD major = HIWORD(productVersionMS), minor = LOWORD(productVersionMS);
    if (CombinedVersion(major, minor) <= CombinedVersion(record->dwMajorVersion, record->dwMinorVersion)) return false;
    record->dwMajorVersion = major;
    record->dwMinorVersion = minor;
    record->dwBuildNumber = HIWORD(productVersionLS);
    return true;
}

std::wstring NormaliseVersionString(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t') continue;
        out += c == L',' ? L'.' : c;
    }
    return out;
}

std::wstring FormatFixedVersion(DWORD fileVersionMS, DWORD fileVersionLS) {
    wchar_t text[64];
    _snwprintf(text, 64, L"%d.%d.%d.%d", int(HIWORD(fileVersionMS)), int(LOWORD(fileVersionMS)),
               int(HIWORD(fileVersionLS)), int(LOWORD(fileVersionLS)));
    text[63] = L'\0';
    return text;
}

}  // namespace sysinfo_detail
