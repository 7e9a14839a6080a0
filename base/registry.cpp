#include "base/registry.h"

#include <shlwapi.h>

#include <vector>

namespace Registry {

REGSAM ViewFlag(HKEY root, RegView view) {
    if (view == RegView::Native64) return KEY_WOW64_64KEY;
    return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0;
}

LONG OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, ScopedRegKey* key, RegView view) {
    return RegOpenKeyExW(root, subKey.c_str(), 0, access | ViewFlag(root, view), key->Receive());
}

LONG CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, ScopedRegKey* key, RegView view) {
    return RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           access | ViewFlag(root, view), nullptr, key->Receive(), nullptr);
}

bool ReadString(HKEY root, const std::wstring& subKey, const std::wstring& name, std::wstring* value,
                size_t maxChars, RegView view) {
    ScopedRegKey key;
    if (OpenKey(root, subKey, KEY_QUERY_VALUE, &key, view) != ERROR_SUCCESS) return false;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &bytes) != ERROR_SUCCESS)
        return false;
    std::wstring text(buffer.data());  // stops at the first terminator, stored or not
    if (maxChars && text.size() > maxChars) return false;
    *value = std::move(text);
    return true;
}

bool WriteString(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& value,
                 RegView view) {
    ScopedRegKey key;
    if (CreateKey(root, subKey, KEY_SET_VALUE, &key, view) != ERROR_SUCCESS) return false;
    DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool ReadDword(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD* value, RegView view) {
    ScopedRegKey key;
    if (OpenKey(root, subKey, KEY_QUERY_VALUE, &key, view) != ERROR_SUCCESS) return false;
    DWORD type = 0, data = 0, bytes = sizeof(data);
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return false;
    *value = data;
    return true;
}

bool WriteDword(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD value, RegView view) {
    ScopedRegKey key;
    if (CreateKey(root, subKey, KEY_SET_VALUE, &key, view) != ERROR_SUCCESS) return false;
    return RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const std::wstring& subKey, const std::wstring& name, RegView view) {
    ScopedRegKey key;
    if (OpenKey(root, subKey, KEY_SET_VALUE, &key, view) != ERROR_SUCCESS) return false;
    return RegDeleteValueW(key.Get(), name.c_str()) == ERROR_SUCCESS;
}

bool DeleteTree(HKEY root, const std::wstring& subKey, RegView view) {
    // SHDeleteKeyW takes no view flag: open the parent in the right view and delete relative to it.
    size_t slash = subKey.find_last_of(L'\\');
    std::wstring parent = slash == std::wstring::npos ? std::wstring() : subKey.substr(0, slash);
    std::wstring leaf = slash == std::wstring::npos ? subKey : subKey.substr(slash + 1);
    ScopedRegKey key;
    LONG rc = OpenKey(root, parent, KEY_ALL_ACCESS, &key, view);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    rc = SHDeleteKeyW(key.Get(), leaf.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool KeyExists(HKEY root, const std::wstring& subKey, RegView view) {
    ScopedRegKey key;
    return OpenKey(root, subKey, KEY_QUERY_VALUE, &key, view) == ERROR_SUCCESS;
}

}  // namespace Registry
