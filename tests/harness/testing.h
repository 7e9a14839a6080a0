#pragma once
#include <windows.h>

#include <string>

// Helpers shared by the Windows-side tests.
namespace testing_support {

// Directory of the built programs (build/<dir>/bin) as a Windows path.
std::wstring BinDir();
// The source tree's root as a Windows path (for test data kept in the repository).
std::wstring SourceDir();

// A fresh directory under the temporary directory, removed with everything in it on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const;

private:
    std::wstring m_path;
};

// Removes a directory tree (files first, read-only attributes cleared); true when it is gone.
bool RemoveTree(const std::wstring& dir);

// Starts `commandLine` and waits up to `timeoutMs`; true when it ended in time, its code in `exitCode`.
// A process still running at the time-out is terminated.
bool RunChild(const std::wstring& commandLine, DWORD timeoutMs, DWORD* exitCode = nullptr);

std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::wstring Utf8ToWide(const std::string& text);

// Deletes a registry key tree (same view rules as the product) when created and again when destroyed.
class ScopedRegistryTree {
public:
    ScopedRegistryTree(HKEY root, std::wstring subKey);
    ~ScopedRegistryTree();
    ScopedRegistryTree(const ScopedRegistryTree&) = delete;
    ScopedRegistryTree& operator=(const ScopedRegistryTree&) = delete;

private:
    HKEY m_root;
    std::wstring m_subKey;
};

}  // namespace testing_support
