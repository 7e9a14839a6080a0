#include "config/archive_path.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool OnlyDotsAndBlanks(const std::wstring& component) {
    return component.find_first_not_of(L". ") == std::wstring::npos;
}

}  // namespace

bool ResolveEntryPath(const std::wstring& stored, std::wstring* relative) {
    if (stored.empty() || IsSeparator(stored[0]) || stored.find(L':') != std::wstring::npos) return false;
    std::wstring result;
    size_t start = 0;
    while (start <= stored.size()) {
        size_t end = start;
        while (end < stored.size() && !IsSeparator(stored[end])) ++end;
        std::wstring component = stored.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == L".") continue;
        if (OnlyDotsAndBlanks(component)) return false;
        if (!result.empty()) result += L'\\';
        result += component;
    }
    if (result.empty()) return false;
    *relative = std::move(result);
    return true;
}
