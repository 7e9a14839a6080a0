#pragma once
#include <string>

#include "base/scoped.h"

// The batch file that HKLM RunOnce runs at the next logon, for what could not be scheduled for the
// restart. Created on the first line, in the Windows temporary directory as a new file that only
// administrators and the system may change (the logon runs it with administrator rights, so a file
// any user could edit would be a way to run their commands as administrator). Lines are in the
// thread's ANSI code page.
class CRunOnceBatch {
public:
    CRunOnceBatch() = default;
    CRunOnceBatch(const CRunOnceBatch&) = delete;
    CRunOnceBatch& operator=(const CRunOnceBatch&) = delete;

    // Writes `format` (a line with one "%s" and its CR LF) with `path`. A path that the code page
    // cannot carry exactly, or a line longer than kMaxLine bytes, is logged and left out, since an
    // altered path could name another file.
    void WriteLine(const char* format, const std::wstring& path);
    // When the file exists: adds the line that deletes the batch itself and writes the RunOnce value
    // naming it; then closes the file.
    void Finish();

    bool IsCreated() const { return m_file.IsValid(); }
    const std::wstring& Path() const { return m_path; }

    static constexpr size_t kMaxLine = 519;
    static constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

private:
    bool Create();

    ScopedHandle m_file;
    std::wstring m_path;
    bool m_createFailed = false;
};

// The line formats (printf, one "%s"); the blank before CR LF is part of the format.
namespace RunOnceLine {
constexpr char kDeleteFile[] = "del /q \"%s\" \r\n";
constexpr char kRemoveTree[] = "rd /s /q \"%s\" \r\n";
constexpr char kRemoveEmptyDir[] = "rd /q \"%s\" \r\n";
}  // namespace RunOnceLine
