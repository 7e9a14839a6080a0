#include "engine/helper_calls.h"

#include <shellapi.h>

#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "base/scoped.h"
#include "base/signature.h"
#include "engine/program_closer.h"

namespace {

constexpr size_t kMaxPath = MAX_PATH;
constexpr DWORD kMaxCallProgramWaitMs = 50000;
constexpr int kAnswerChars = MAX_PATH;
// A longer answer than this is taken for a broken library, not allocated.
constexpr int kMaxAnswerChars = 1 << 20;

using SingleArgumentExport = void(WINAPI*)(const wchar_t*);
using AnsweringExport = int(WINAPI*)(const wchar_t*, wchar_t*, int);

// Products this uninstaller knows, recognised by a marker file beside the running executable.
struct KnownProductEntry {
    const wchar_t* marker;
    const wchar_t* name;
    const wchar_t* channel;
};
constexpr KnownProductEntry kKnownProducts[] = {
    {L"VarUZ.dll", L"korvel", L"korvel"},
};

}  // namespace

BOOL RunProgram(const wchar_t* path, const wchar_t* parameters, int showCommand, bool checkSign, bool wait,
                DWORD* exitCode, DWORD timeoutMs) {
    if (!path || !path[0] || wcslen(path) > kMaxPath || !Paths::FileExists(path)) return FALSE;
    if (checkSign && !VerifyFileSignature(path)) return FALSE;

    const std::wstring file = L"\"" + std::wstring(path) + L"\"";
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters;
    info.nShow = showCommand;
    BOOL started = ShellExecuteExW(&info);
    ScopedHandle process(started ? info.hProcess : nullptr);
    if (started && wait && process.IsValid()) WaitForSingleObject(process.Get(), timeoutMs);
    if (exitCode) {
        if (!started) return FALSE;
        *exitCode = STILL_ACTIVE;
        if (process.IsValid()) GetExitCodeProcess(process.Get(), exitCode);
    }
    return started;
}

void CallDllExport(const wchar_t* path, const char* exportName, const wchar_t* argument, bool checkSign) {
    if (!path) return;
    if (checkSign && !VerifyFileSignature(path)) {
        Log(L"file[%s] check sign fail.", path);
        return;
    }
    ScopedModule library(LoadLibraryW(path));
    if (!library.IsValid()) return;
    auto function = reinterpret_cast<SingleArgumentExport>(GetProcAddress(library.Get(), exportName));
    if (!function) return;
    Log(L"call dll func start, path=[%s]", path);
    function(argument);
    Log(L"call dll fun end, path=[%s]", path);
}

void RunProgramAfterKill(const wchar_t* path, const wchar_t* parameters, bool checkSign, bool wait, DWORD timeoutMs) {
    if (!path || !Paths::FileExists(path)) return;
    KillProcessByPath(path);
    const wchar_t* cmd = parameters ? parameters : L"";
    Log(L"call exe begin, path=[%s] cmd=[%s]", path, cmd);
    BOOL result = RunProgram(path, parameters, SW_SHOWNORMAL, checkSign, wait, nullptr, timeoutMs);
    Log(L"call exe return [%d], path=[%s], cmd=[%s], sync[%d]", result, path, cmd, wait ? 1 : 0);
}

std::wstring CallDllInterfaceEx(const wchar_t* path, const char* exportName, const wchar_t* argument, bool checkSign) {
    Log(L"Call Dll Interface Ex ,path=[%s]", path ? path : L"");
    if (!path) return std::wstring();
    if (checkSign && !VerifyFileSignature(path)) {
        Log(L"file[%s] check sign fail", path);
        return std::wstring();
    }
    ScopedModule library(LoadLibraryW(path));
    if (!library.IsValid()) return std::wstring();
    auto function = reinterpret_cast<AnsweringExport>(GetProcAddress(library.Get(), exportName));
    if (!function) return std::wstring();

    Log(L"call dll func start, path=[%s]", path);
    std::vector<wchar_t> buffer(kAnswerChars, L'\0');
    int needed = function(argument, buffer.data(), kAnswerChars);
    buffer.back() = L'\0';  // a library that fills the buffer completely still gives a terminated text
    std::wstring answer = buffer.data();
    if (needed > kMaxAnswerChars) {
        Log(L"CallDllInterfaceEx answer too long (%d), first answer kept, path=[%s]", needed, path);
    } else if (needed > 0) {
        buffer.assign(static_cast<size_t>(needed) + 1, L'\0');
        function(argument, buffer.data(), needed + 1);
        buffer.back() = L'\0';
        answer = buffer.data();
    }
    Log(L"call dll fun end, path=[%s]", path);
    return answer;
}

DWORD CallProgramWaitMs(int waitTime) {
    DWORD wait = static_cast<DWORD>(waitTime);
    return (wait == 0 || wait > kMaxCallProgramWaitMs) ? kMaxCallProgramWaitMs : wait;
}

KnownProduct DetectKnownProduct() {
    const std::wstring dir = Paths::ModuleDirectory();
    for (const KnownProductEntry& entry : kKnownProducts)
        if (Paths::FileExists(Paths::Join(dir, entry.marker))) return {entry.name, entry.channel};
    return {};
}
