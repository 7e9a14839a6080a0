#include "identity/machine_id.h"

#include <string.h>

#include <atomic>
#include <new>

#include "base/registry.h"
#include "base/sysinfo.h"
#include "identity/hardware.h"
#include "identity/id_resolve.h"
#include "identity/id_text.h"
#include "identity/zyr_mid2.h"

// {73237ABE-41C8-47DC-8899-194F8AFF7B83}
const IID IID_IExtend = {0x73237abe, 0x41c8, 0x47dc, {0x88, 0x99, 0x19, 0x4f, 0x8a, 0xff, 0x7b, 0x83}};
// {69233DA5-EC9E-4C15-9F56-FC61FBD95A24}
const IID IID_INewMID = {0x69233da5, 0xec9e, 0x4c15, {0x9f, 0x56, 0xfc, 0x61, 0xfb, 0xd9, 0x5a, 0x24}};

namespace identity_detail {

const wchar_t kMidKey[] = L"Software\\Keeper2\\Rozaze";
const wchar_t kMid2Key[] = L"SOFTWARE\\ComKeeper";

}  // namespace identity_detail

namespace {

using namespace identity_detail;
using Registry::RegView;

constexpr size_t kMaxStoredMidChars = 512;  // 1024 bytes
constexpr size_t kMid2Room = 50;

// The identifiers are ASCII; anything else cannot be part of a valid stored value.
std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool ReadStoredMid2(const wchar_t* key, std::string* value) {
    std::wstring text;
    if (!Registry::ReadString(HKEY_LOCAL_MACHINE, key, L"m2", &text, 1024, RegView::Native64)) return false;
    *value = Narrow(text);
    return true;
}

void StoreMid2(const wchar_t* key, const std::string& mid2) {
    std::wstring old;
    if (Registry::ReadString(HKEY_LOCAL_MACHINE, key, L"m2", &old, 1024, RegView::Native64) &&
        !EqualsNoCase(Narrow(old), mid2))
        Registry::WriteString(HKEY_LOCAL_MACHINE, key, L"m2_old", old, RegView::Native64);
    Registry::WriteString(HKEY_LOCAL_MACHINE, key, L"m2", Widen(mid2), RegView::Native64);
}

// Builds the text, with a fresh GUID for the random form when no component is present.
bool BuildMid2(const Mid2Components& components, bool elevated, std::string* text) {
    GUID guid;
    bool haveGuid = components.Flags() == 0 && SUCCEEDED(CoCreateGuid(&guid));
    return BuildMid2Text(components, elevated, haveGuid ? &guid : nullptr, text);
}

}  // namespace

namespace identity_detail {

std::string ResolveMid(const std::function<std::string()>& hardwareString, const wchar_t* key) {
    std::wstring stored;
    bool haveStored = Registry::ReadString(HKEY_LOCAL_MACHINE, key, L"mid", &stored, kMaxStoredMidChars);
    std::string mid;
    if (haveStored && ParseStoredMid(Narrow(stored), &mid)) return mid;

    std::string hardware = hardwareString();
    bool fallback = hardware.empty();
    mid = MidDigestText(fallback ? std::string("Mid2Failed") : hardware);
    if (fallback) return mid;

    if (haveStored && stored != Widen(mid))
        Registry::WriteString(HKEY_LOCAL_MACHINE, key, L"mid_old", stored);
    Registry::WriteString(HKEY_LOCAL_MACHINE, key, L"mid", Widen(MakeStoredMid(mid)));
    return mid;
}

std::string ResolveMid2(const Mid2Sources& sources) {
    std::string stored;
    bool valid = ReadStoredMid2(sources.key, &stored) && IsValidStoredMid2(stored);
    if (valid && !sources.elevated) return stored;

    Mid2Components components;
    for (unsigned component : {kMid2Mac, kMid2Disk, kMid2Processor})
        components.Get(component) = sources.collect(component);

    // A stored value built from the same facts stays; so does a random one while the facts are missing.
    std::string early;
    bool macOrDisk = !components.mac.empty() || !components.disk.empty();
    if (macOrDisk && valid) {
        if (!BuildMid2(components, sources.elevated, &early)) return stored;
        if (EqualsNoCase(early, stored)) return stored;
    } else if (!macOrDisk && valid && IsRandomMid2(stored)) {
        return stored;
    }

    // Devices that were still coming up get one more chance.
    bool foundNew = false;
    if (components.mac.empty() || components.disk.empty()) {
        Sleep(sources.retryDelayMs);
        for (unsigned component : {kMid2Mac, kMid2Disk}) {
            std::string& value = components.Get(component);
            if (!value.empty()) continue;
            value = sources.collect(component);
            foundNew = foundNew || !value.empty();
        }
    }
    bool bothPresent = !components.mac.empty() && !components.disk.empty();
    if ((bothPresent || !foundNew) && !early.empty()) {
        StoreMid2(sources.key, early);
        return early;
    }
    std::string text;
    if (BuildMid2(components, sources.elevated, &text) || !valid) {
        StoreMid2(sources.key, text);
        return text;
    }
    return stored;
}

bool IsProcessElevated() {
    if (COSVersionCheck::Instance().VersionNumber() < 60) return true;
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return true;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size)) return true;
    return elevation.TokenIsElevated != 0;
}

}  // namespace identity_detail

bool GetMachineId(char* buffer, size_t size) {
    if (!buffer || size < 33) return false;
    // Resolved once per process (the first caller resolves while others wait); later calls are served
    // from memory.
    static const std::string mid = ResolveMid(HardwareStringForMid);
    memcpy(buffer, mid.c_str(), mid.size() + 1);
    return true;
}

bool GetMachineIdW(wchar_t* buffer, size_t count) {
    char mid[64];
    if (!buffer || count < 33 || !GetMachineId(mid, sizeof(mid))) return false;
    return MultiByteToWideChar(CP_THREAD_ACP, 0, mid, -1, buffer, int(count)) > 0;
}

HRESULT GetMachineId2(wchar_t* buffer, size_t count) {
    if (!buffer || count < kMid2Room) return E_INVALIDARG;
    CZyrMID2* server = CZyrMID2::Instance();
    if (!server) return E_OUTOFMEMORY;
    return server->GetMID2(buffer, ULONG(count));
}

CZyrMID2* CZyrMID2::Instance() {
    static std::atomic<int> state{0};  // 0 not built, 1 being built, 2 ready
    static CZyrMID2* instance = nullptr;
    int expected = 0;
    if (state.compare_exchange_strong(expected, 1)) {
        instance = new (std::nothrow) CZyrMID2;
        state.store(2);
    } else {
        while (state.load() != 2) Sleep(1);
    }
    return instance;
}

HRESULT STDMETHODCALLTYPE CZyrMID2::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IExtend))
        *object = static_cast<IExtend*>(this);
    else if (IsEqualIID(iid, IID_INewMID))
        *object = static_cast<INewMID*>(this);
    else
        return E_NOINTERFACE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CZyrMID2::GetMID2(wchar_t* buffer, ULONG count) {
    if (!buffer) return E_POINTER;
    std::string mid2;
    {
        _BaseModule::CAutoLocker guard(&m_lock);
        if (!m_computed) {
            Mid2Sources sources;
            sources.elevated = IsProcessElevated();
            sources.collect = CollectMid2Component;
            m_mid2 = ResolveMid2(sources);
            m_computed = true;
        }
        mid2 = m_mid2;
    }
    if (mid2.size() >= kMid2Room) return E_FAIL;
    if (mid2.size() + 1 > count) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    std::wstring wide = Widen(mid2);
    memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    return S_OK;
}
