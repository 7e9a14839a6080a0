#include "config/resource_unpack.h"

#include <algorithm>

#include "base/paths.h"
#include "base/scoped.h"
#include "base/dir_tree.h"

bool CResourceUnpack::LoadFromModule(HMODULE instance, const wchar_t* name, const wchar_t* type) {
    m_data = nullptr;
    m_size = 0;
    HRSRC resource = ::FindResourceW(instance, name, type);
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(instance, resource);
    if (!loaded) return false;
    m_data = static_cast<const BYTE*>(::LockResource(loaded));
    m_size = m_data ? ::SizeofResource(instance, resource) : 0;
    return true;
}

bool CResourceUnpack::WriteToFile(const std::wstring& path) const {
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    for (DWORD offset = 0; offset < m_size;) {
        DWORD chunk = std::min(kChunkSize, m_size - offset);
        DWORD written = 0;
        if (!::WriteFile(file.Get(), m_data + offset, chunk, &written, nullptr) || written != chunk) {
            file.Reset();
            ::DeleteFileW(path.c_str());
            return false;
        }
        offset += chunk;
    }
    return true;
}

bool CResourceUnpack::ExtractToTempDir(std::wstring* outDir) const {
    std::wstring archive = Paths::NewGuidTempName(Paths::TempDirectory());
    if (archive.empty() || !WriteToFile(archive)) return false;
    // The archive was just written beside it, so the temporary directory exists: a plain create
    // fails rather than reuse a directory that appeared since the name was chosen.
    std::wstring destDir = Paths::NewGuidTempName(Paths::TempDirectory());
    bool created = !destDir.empty() && ::CreateDirectoryW(destDir.c_str(), nullptr);
    bool extracted = created && ExtractArchive(archive, destDir) == 0;
    ::DeleteFileW(archive.c_str());
    if (!extracted) {
        if (created) RemoveDirectoryTree(destDir);
        return false;
    }
    *outDir = std::move(destDir);
    return true;
}
