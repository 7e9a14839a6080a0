#include "app/command_parser.h"

#include <windows.h>
#include <shellapi.h>
#include <wctype.h>

#include "base/singleton.h"

namespace {

std::wstring Trim(const std::wstring& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && iswspace(text[begin])) ++begin;
    while (end > begin && iswspace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::wstring ToUpper(std::wstring text) {
    for (wchar_t& c : text) c = towupper(c);
    return text;
}

}  // namespace

bool CCommandParser::Parse(const std::wstring& tail) {
    m_tail = tail;
    m_values.clear();
    // The splitter parses its first token as a program name (no escapes, and the program's own path for
    // an empty text), so a placeholder takes that place and every real argument follows the same rules.
    std::wstring line = L"x " + tail;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(line.c_str(), &count);
    if (!args) return false;
    for (int i = 1; i < count; ++i) {
        std::wstring arg = args[i];
        size_t eq = arg.find(L'=');
        std::wstring key = Trim(eq == std::wstring::npos ? arg : arg.substr(0, eq));
        std::wstring value = eq == std::wstring::npos ? std::wstring() : Trim(arg.substr(eq + 1));
        if (!value.empty() && value.front() == L'"') value.erase(0, 1);
        if (!value.empty() && value.back() == L'"') value.pop_back();
        m_values[ToUpper(key)] = value;  // the last occurrence wins
    }
    LocalFree(args);
    return true;
}

bool CCommandParser::HasKey(const std::wstring& key) const { return m_values.count(ToUpper(key)) != 0; }

bool CCommandParser::GetValue(const std::wstring& key, std::wstring* out) const {
    auto it = m_values.find(ToUpper(key));
    if (it == m_values.end()) return false;
    *out = it->second;
    return true;
}

CCommandParser* CommandLine() { return CSingletonT<CCommandParser>::Instance(); }
