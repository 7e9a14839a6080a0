#pragma once
#include <windows.h>

#include <string>

// Unpacks a 7z archive carried as a resource of a module: the resource is written to a temporary
// archive file and extracted into a fresh temporary directory by 7-Zip's archive library ("7z.dll"),
// which the process loads once at run time.
class CResourceUnpack {
public:
    CResourceUnpack() = default;
    virtual ~CResourceUnpack() = default;
    CResourceUnpack(const CResourceUnpack&) = delete;
    CResourceUnpack& operator=(const CResourceUnpack&) = delete;

    // Locates the resource `name` of type `type` in `instance`; true when found (an empty resource counts).
    bool LoadFromModule(HMODULE instance, const wchar_t* name, const wchar_t* type);
    // Writes the resource to a temporary archive and extracts it into a fresh "<temp>\{GUID}.tmp"
    // directory, which becomes the caller's to delete. Nothing is left behind on failure.
    bool ExtractToTempDir(std::wstring* outDir) const;
    // Writes the resource bytes to a new file at `path`, in chunks of 4096 bytes.
    bool WriteToFile(const std::wstring& path) const;

    // Loads 7-Zip's library from `path` unless one is loaded already; true when the process has a
    // library with the CreateObject entry afterwards. Process-wide; the library stays loaded.
    static bool Load7Zip(const std::wstring& path);
    // Extracts every item of the 7z archive `archivePath` under `destDir`: 0 on success, -1 on any
    // failure. Items whose stored path is absolute, has a drive or climbs out with ".." are refused
    // (logged, nothing written for them) and make the extraction fail.
    static int ExtractArchive(const std::wstring& archivePath, const std::wstring& destDir);

    static constexpr DWORD kChunkSize = 4096;

private:
    const BYTE* m_data = nullptr;
    DWORD m_size = 0;
};
