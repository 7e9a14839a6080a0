#include "app/caller_token.h"

#include <windows.h>

#include "base/cipher.h"
#include "identity/machine_id.h"

namespace {

constexpr wchar_t kTokenWord[] = L"nhifsni";

std::wstring MachineKey() {
    wchar_t mid[260] = {};
    GetMachineIdW(mid, 260);
    mid[259] = L'\0';
    return mid;
}

}  // namespace

std::wstring MakeCallerToken() { return EncryptText(kTokenWord, MachineKey()); }

bool IsValidCallerToken(const std::wstring& token) {
    if (token.empty()) return false;
    return lstrcmpiW(DecryptText(token, MachineKey()).c_str(), kTokenWord) == 0;
}
