#pragma once
#include <string>
#include <vector>

#include "base/lock.h"

// The uninstaller's diagnostic log ("korvel_uninst.log" in the temporary directory). Every line is
// time-stamped and reaches the file at once, converted to the code page of the runtime locale.
class CSmartLogger {
public:
    CSmartLogger() = default;
    virtual ~CSmartLogger() = default;
    CSmartLogger(const CSmartLogger&) = delete;
    CSmartLogger& operator=(const CSmartLogger&) = delete;

    // Remembers the path; deletes an existing file larger than 1 GiB.
    void Open(const std::wstring& path);
    // Adds the time stamp (and a newline when missing); writes when more than 100 lines wait.
    size_t AppendLine(const std::wstring& text);
    // Writes the pending lines; true when the file was written. Pending lines are dropped either way,
    // except while the log is not open yet.
    bool WriteOut();

    static constexpr size_t kMaxMessage = 511;
    static constexpr size_t kMaxPending = 100;
    static constexpr unsigned long long kMaxFileSize = 1ull << 30;

private:
    _BaseModule::CCriticalSection m_lock;
    std::vector<std::wstring> m_pending;
    std::wstring m_path;
    bool m_headerPending = true;
};

// The process-wide logger (a static object, alive before start-up runs).
CSmartLogger& Logger();

// printf-style wide format; a message longer than 511 characters is dropped entirely.
void Log(const wchar_t* format, ...);
