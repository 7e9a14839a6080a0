#pragma once
#include <windows.h>

#include <string>

// What the simulated product's programs share: their command-line options, the record of how they were
// called, and the one hidden top-level window through which the uninstaller asks them to quit.
namespace ProductSim {

// The product's registered quit message, broadcast by the uninstaller to every top-level window.
constexpr wchar_t kQuitMessageName[] = L"Orbwallpaper_quit";
// Environment variable naming a file to which every program and library appends how it was called.
constexpr wchar_t kRecordVariable[] = L"KORVEL_PRODUCT_RECORD";

// Options of the form "/name=value" or "/name" (names compared without regard to case).
class CCommandOptions {
public:
    explicit CCommandOptions(const wchar_t* commandLine);
    bool Has(const std::wstring& name) const;
    std::wstring Value(const std::wstring& name, const std::wstring& fallback) const;
    const std::wstring& Tail() const { return m_tail; }

private:
    std::wstring m_tail;
};

// Appends "<caller>|<text>" as one UTF-8 line to the record file, when the environment names one.
void RecordCall(const std::wstring& caller, const std::wstring& text);

enum class CloseBehaviour { Exit, Ignore };

struct WindowOptions {
    std::wstring windowClass;
    std::wstring title;
    CloseBehaviour onClose = CloseBehaviour::Exit;        // WM_CLOSE, a sent WM_QUIT, the close command
    CloseBehaviour onQuitMessage = CloseBehaviour::Exit;  // the registered quit message
    UINT closeCommand = 0;                                // WM_COMMAND id that counts as a close request (0: none)
    bool visible = false;
    std::wstring readyFile;  // written (holding the process id) once the window exists
    DWORD closeDelayMs = 0;  // time WM_CLOSE blocks before it is handled
};

// Reads /class=, /title=, /close=exit|ignore, /quitmsg=exit|ignore, /command=<n>, /show, /ready=<file>,
// /closedelay=<ms>
// over the given defaults.
WindowOptions ParseWindowOptions(const CCommandOptions& options, WindowOptions defaults);

// Creates the window and runs the message loop until a close request is honoured; the exit code.
int RunProductWindow(HINSTANCE instance, const WindowOptions& options);

}  // namespace ProductSim
