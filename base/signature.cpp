#include "base/signature.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "base/paths.h"

namespace {

// The maker's publishers. The first one signs our own builds.
const wchar_t* const kAcceptedPublishers[] = {
    L"Qalmex Network Technology Co., Ltd.",
    L"Korvelia Software Co., Ltd.",
    L"Korvelia Technology (Beijing) Co., Ltd.",
    L"Orbwall Network Technology Co., Ltd.",
    L"Orbwall Information Technology Co., Ltd.",
    L"Beijing Qalmex Technology Co., Ltd.",
    L"Shanghai Qalmex Network Co., Ltd.",
    L"Tianjin Korvel Software Co., Ltd.",
    L"Zyr Interactive Technology Co., Ltd.",
    L"Zyr Network Technology Co., Ltd.",
    L"Keeper Rozaze Software Co., Ltd.",
    L"Vantelle Network Technology Co., Ltd.",
    L"Vorizar Technology Co., Ltd.",
    L"Zuvazi Information Technology Co., Ltd.",
    L"Orbvar Software Co., Ltd.",
    L"Hangzhou Orbwall Network Co., Ltd.",
    L"Shenzhen Qalmex Information Co., Ltd.",
};

bool IsOlderThanVista() {
    OSVERSIONINFOW info = {sizeof(info)};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
    return info.dwMajorVersion < 6;
}

// Runs the generic Authenticode verification and, when its result is accepted, hands the leaf
// certificate's display name to `accept`. The verification state is always closed.
template <typename Accept>
bool VerifyAndCheckSigner(const wchar_t* path, bool acceptUntrustedRoot, Accept accept) {
    WINTRUST_FILE_INFO file = {sizeof(file)};
    file.pcwszFilePath = path;
    WINTRUST_DATA data = {sizeof(data)};
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;

    LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    bool accepted = status == 0 || status == static_cast<LONG>(CERT_E_EXPIRED) ||
                    (acceptUntrustedRoot && status == static_cast<LONG>(CERT_E_UNTRUSTEDROOT));
    bool result = false;
    if (accepted && data.hWVTStateData) {
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* leaf = signer ? WTHelperGetProvCertFromChain(signer, 0) : nullptr;
        if (leaf && leaf->pCert) {
            wchar_t name[512] = {};
            CertGetNameStringW(leaf->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 512);
            result = accept(name);
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}

}  // namespace

bool VerifyFileSignature(const wchar_t* path) {
    if (!path || !Paths::FileExists(path)) return false;
    if (IsOlderThanVista()) return true;
    return VerifyAndCheckSigner(path, true, [](const wchar_t* name) {
        for (const wchar_t* publisher : kAcceptedPublishers)
            if (lstrcmpiW(name, publisher) == 0) return true;
        return false;
    });
}

bool VerifyFileSignedBy(const wchar_t* path, const wchar_t* publisher) {
    if (!publisher) return true;
    if (!path || !Paths::FileExists(path)) return false;
    if (IsOlderThanVista()) return true;
    return VerifyAndCheckSigner(path, false,
                                [publisher](const wchar_t* name) { return lstrcmpiW(name, publisher) == 0; });
}
