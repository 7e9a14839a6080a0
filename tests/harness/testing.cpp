#include "tests/harness/testing.h"

#include <vector>

#include "base/dir_tree.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scoped.h"

namespace testing_support {

std::wstring BinDir() { return KORVEL_TEST_BIN_DIR; }
std::wstring SourceDir() { return KORVEL_TEST_SOURCE_DIR; }

ScratchDir::ScratchDir() {
    m_path = Paths::NewGuidTempName(Paths::TempDirectory() + L"korvel_tests");
    CreateDirectoryW((Paths::TempDirectory() + L"korvel_tests").c_str(), nullptr);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(m_path); }

std::wstring ScratchDir::operator/(const std::wstring& name) const { return Paths::Join(m_path, name); }

bool RemoveTree(const std::wstring& dir) { return RemoveDirectoryTree(dir); }

bool RunChild(const std::wstring& commandLine, DWORD timeoutMs, DWORD* exitCode) {
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 5000);
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    if (exitCode) *exitCode = code;
    return true;
}

std::string ReadFileBytes(const std::wstring& path) {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file.IsValid()) return bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

ScopedRegistryTree::ScopedRegistryTree(HKEY root, std::wstring subKey) : m_root(root), m_subKey(std::move(subKey)) {
    Registry::DeleteTree(m_root, m_subKey);
}

ScopedRegistryTree::~ScopedRegistryTree() { Registry::DeleteTree(m_root, m_subKey); }

}  // namespace testing_support
