#include "tools/product/product_common.h"

#include <shellapi.h>
#include <wchar.h>

#include <string>
#include <vector>

namespace ProductSim {
namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = towlower(c);
    return text;
}

// The argument list of the tail, quotes resolved by the shell's own rules.
std::vector<std::wstring> SplitArguments(const std::wstring& tail) {
    std::vector<std::wstring> result;
    std::wstring line = L"program " + tail;  // CommandLineToArgvW treats the first word as the program
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
    if (!argv) return result;
    for (int i = 1; i < count; ++i) result.emplace_back(argv[i]);
    LocalFree(argv);
    return result;
}

// Finds "/name" or "/name=value"; `value` receives the text after "=".
bool FindOption(const std::wstring& tail, const std::wstring& name, std::wstring* value) {
    const std::wstring wanted = L"/" + Lower(name);
    for (const std::wstring& argument : SplitArguments(tail)) {
        size_t equals = argument.find(L'=');
        std::wstring key = Lower(argument.substr(0, equals));
        if (key != wanted) continue;
        if (value) *value = equals == std::wstring::npos ? std::wstring() : argument.substr(equals + 1);
        return true;
    }
    return false;
}

CloseBehaviour ParseBehaviour(const std::wstring& text, CloseBehaviour fallback) {
    if (Lower(text) == L"exit") return CloseBehaviour::Exit;
    if (Lower(text) == L"ignore") return CloseBehaviour::Ignore;
    return fallback;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes, bool append) {
    HANDLE file =
        CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

class CProductWindow {
public:
    explicit CProductWindow(const WindowOptions& options)
        : m_options(options), m_quitMessage(RegisterWindowMessageW(kQuitMessageName)) {}

    bool Create(HINSTANCE instance) {
        WNDCLASSEXW wc = {sizeof(wc)};
        wc.lpfnWndProc = &CProductWindow::Procedure;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = m_options.windowClass.c_str();
        if (!RegisterClassExW(&wc)) return false;
        HWND window = CreateWindowExW(0, m_options.windowClass.c_str(), m_options.title.c_str(), WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, 360, 200, nullptr, nullptr, instance, this);
        if (!window) return false;
        if (m_options.visible) ShowWindow(window, SW_SHOWNORMAL);
        return true;
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<CProductWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        LRESULT result = 0;
        if (self && self->Handle(window, message, wParam, &result)) return result;
        return DefWindowProcW(window, message, wParam, lParam);
    }

    // True when the message was handled here.
    bool Handle(HWND window, UINT message, WPARAM wParam, LRESULT* result) {
        if (message == m_quitMessage) {
            RecordCall(m_options.windowClass, L"quit message");
            return Request(window, m_options.onQuitMessage);
        }
        switch (message) {
            case WM_CLOSE:
                RecordCall(m_options.windowClass, L"WM_CLOSE");
                if (m_options.closeDelayMs) Sleep(m_options.closeDelayMs);  // a program that hangs on close
                return Request(window, m_options.onClose);
            case WM_QUIT:  // sent straight to the window rather than posted to the queue
                RecordCall(m_options.windowClass, L"WM_QUIT");
                return Request(window, m_options.onClose);
            case WM_COMMAND:
                if (m_options.closeCommand == 0 || LOWORD(wParam) != m_options.closeCommand) return false;
                RecordCall(m_options.windowClass, L"WM_COMMAND " + std::to_wstring(LOWORD(wParam)));
                return Request(window, m_options.onClose);
            case WM_DESTROY:
                PostQuitMessage(0);
                return true;
        }
        return false;
    }

    static bool Request(HWND window, CloseBehaviour behaviour) {
        if (behaviour == CloseBehaviour::Exit) DestroyWindow(window);
        return true;  // an ignored request is swallowed, so WM_CLOSE does not reach DefWindowProc
    }

    const WindowOptions& m_options;
    const UINT m_quitMessage;
};

}  // namespace

CCommandOptions::CCommandOptions(const wchar_t* commandLine) : m_tail(commandLine ? commandLine : L"") {}

bool CCommandOptions::Has(const std::wstring& name) const { return FindOption(m_tail, name, nullptr); }

std::wstring CCommandOptions::Value(const std::wstring& name, const std::wstring& fallback) const {
    std::wstring value;
    return FindOption(m_tail, name, &value) ? value : fallback;
}

void RecordCall(const std::wstring& caller, const std::wstring& text) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(kRecordVariable, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    // Appends from several processes at once can interleave under Wine: one writer at a time.
    HANDLE writer = CreateMutexW(nullptr, FALSE, L"KorvelProductRecordWriter");
    if (writer) WaitForSingleObject(writer, 10000);
    WriteWholeFile(path, ToUtf8(caller + L"|" + text + L"\r\n"), true);
    if (writer) {
        ReleaseMutex(writer);
        CloseHandle(writer);
    }
}

WindowOptions ParseWindowOptions(const CCommandOptions& options, WindowOptions defaults) {
    WindowOptions result = std::move(defaults);
    result.windowClass = options.Value(L"class", result.windowClass);
    result.title = options.Value(L"title", result.title);
    result.onClose = ParseBehaviour(options.Value(L"close", L""), result.onClose);
    result.onQuitMessage = ParseBehaviour(options.Value(L"quitmsg", L""), result.onQuitMessage);
    std::wstring command = options.Value(L"command", L"");
    if (!command.empty()) result.closeCommand = static_cast<UINT>(wcstoul(command.c_str(), nullptr, 0));
    result.visible = result.visible || options.Has(L"show");
    result.readyFile = options.Value(L"ready", result.readyFile);
    result.closeDelayMs = static_cast<DWORD>(wcstoul(options.Value(L"closedelay", L"0").c_str(), nullptr, 10));
    return result;
}

int RunProductWindow(HINSTANCE instance, const WindowOptions& options) {
    CProductWindow window(options);
    if (!window.Create(instance)) return 1;
    if (!options.readyFile.empty()) WriteWholeFile(options.readyFile, std::to_string(GetCurrentProcessId()), false);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace ProductSim
