#include "base/log.h"

#include <shlobj.h>
#include <stdarg.h>
#include <stdio.h>
#include <windows.h>

#include "base/scoped.h"

namespace {

std::wstring TimeStamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t buf[32];
    swprintf(buf, 32, L"%04d-%02d-%02d %02d:%02d:%02d ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    return buf;
}

unsigned long long ExistingFileSize(const std::wstring& path) {
    // Opened without sharing, as the size counts only when we could own the file.
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size)) return 0;
    return static_cast<unsigned long long>(size.QuadPart);
}

bool DirectoryExists(const std::wstring& dir) {
    DWORD attrs = GetFileAttributesW(dir.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ParentDirectory(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

void CSmartLogger::Open(const std::wstring& path) {
    _BaseModule::CAutoLocker guard(&m_lock);
    m_path = path;
    if (ExistingFileSize(path) > kMaxFileSize) DeleteFileW(path.c_str());
}

size_t CSmartLogger::AppendLine(const std::wstring& text) {
    _BaseModule::CAutoLocker guard(&m_lock);
    std::wstring line = TimeStamp() + text;
    if (line.empty() || line.back() != L'\n') line += L'\n';
    m_pending.push_back(std::move(line));
    if (m_pending.size() > kMaxPending) WriteOut();
    return m_pending.size();
}

bool CSmartLogger::WriteOut() {
    _BaseModule::CAutoLocker guard(&m_lock);
    if (m_path.empty()) return false;

    bool written = false;
    std::wstring dir = ParentDirectory(m_path);
    if (!dir.empty() && !DirectoryExists(dir)) SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
    if (dir.empty() || DirectoryExists(dir)) {
        // Text mode: "\n" reaches the disk as CR LF; wide text is converted to the locale's code page.
        FILE* file = _wfopen(m_path.c_str(), L"at");
        if (file) {
            if (m_headerPending) {
                std::wstring header = L"\r\n================== Start Log:" + TimeStamp() + L" ==================\n";
                fputws(header.c_str(), file);
                m_headerPending = false;
            }
            for (const std::wstring& line : m_pending) fputws(line.c_str(), file);
            fflush(file);
            fclose(file);
            written = true;
        }
    }
    m_pending.clear();
    return written;
}

CSmartLogger& Logger() {
    static CSmartLogger logger;
    return logger;
}

void Log(const wchar_t* format, ...) {
    if (!format) return;
    wchar_t buffer[CSmartLogger::kMaxMessage + 1];
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buffer, CSmartLogger::kMaxMessage + 1, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) > CSmartLogger::kMaxMessage) return;
    buffer[n] = L'\0';
    CSmartLogger& logger = Logger();
    logger.AppendLine(buffer);
    logger.WriteOut();
}
