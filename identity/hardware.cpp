#include "identity/hardware.h"

#include <windows.h>
#include <cpuid.h>
#include <iphlpapi.h>
#include <nb30.h>
#include <ntddndis.h>
#include <ntddscsi.h>
#include <winioctl.h>

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "base/registry.h"
#include "base/scoped.h"
#include "base/sysinfo.h"
#include "identity/id_text.h"

namespace {

const wchar_t kNetworkCardsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
const wchar_t kNetClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
constexpr int kMaxDrives = 16;
constexpr size_t kMaxHardwareString = 4095;
constexpr BYTE kIdentifyDevice = 0xEC;
constexpr BYTE kIdentifyPacketDevice = 0xA1;

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

// ---- processor ----

struct CpuidRegs {
    unsigned a = 0, b = 0, c = 0, d = 0;
};

CpuidRegs Cpuid(unsigned leaf) {
    CpuidRegs r;
    __cpuid(leaf, r.a, r.b, r.c, r.d);
    return r;
}

// The 12-byte vendor text of leaf 0 in the register order EBX, EDX, ECX; also the highest leaf.
std::string CpuVendor(unsigned* maxLeaf) {
    CpuidRegs r = Cpuid(0);
    char vendor[13] = {};
    memcpy(vendor, &r.b, 4);
    memcpy(vendor + 4, &r.d, 4);
    memcpy(vendor + 8, &r.c, 4);
    *maxLeaf = r.a;
    return CorrectVendor(vendor);
}

std::string ComputeProcessorPartForMid() {
    unsigned maxLeaf = 0;
    std::string vendor = CpuVendor(&maxLeaf);
    unsigned features = maxLeaf >= 1 ? Cpuid(1).d : 0;
    char text[128];
    snprintf(text, sizeof(text), "%s:%08x", vendor.c_str(), features);
    return text;
}

std::string ComputeProcessorComponent() {
    unsigned maxLeaf = 0;
    std::string vendor = TrimBlanks(CpuVendor(&maxLeaf));
    unsigned signature = maxLeaf >= 1 ? Cpuid(1).a : 0;
    std::string brand;
    if (Cpuid(0x80000000).a >= 0x80000004) {
        char text[49] = {};
        for (unsigned i = 0; i < 3; ++i) {
            CpuidRegs r = Cpuid(0x80000002 + i);
            memcpy(text + 16 * i, &r.a, 4);
            memcpy(text + 16 * i + 4, &r.b, 4);
            memcpy(text + 16 * i + 8, &r.c, 4);
            memcpy(text + 16 * i + 12, &r.d, 4);
        }
        brand = TrimBlanks(text);
    }
    char text[256];
    snprintf(text, sizeof(text), "%s,%x,%s", vendor.c_str(), signature, brand.c_str());
    return text;
}

// Function-local statics: computed once, other threads wait for the first.
const std::string& ProcessorPartForMid() {
    static const std::string part = ComputeProcessorPartForMid();
    return part;
}

const std::string& ProcessorComponent() {
    static const std::string component = ComputeProcessorComponent();
    return component;
}

// ---- disks ----

ScopedHandle OpenDevice(const std::wstring& path, DWORD access, DWORD share) {
    HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    return ScopedHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::wstring DrivePath(const wchar_t* format, int number) {
    wchar_t path[32];
    _snwprintf(path, 32, format, number);
    path[31] = L'\0';
    return path;
}

bool SmartVersion(HANDLE drive, GETVERSIONINPARAMS* version) {
    DWORD returned = 0;
    *version = {};
    return DeviceIoControl(drive, SMART_GET_VERSION, nullptr, 0, version, sizeof(*version), &returned, nullptr) &&
           returned >= sizeof(*version);
}

void FillIdentifyCommand(SENDCMDINPARAMS* in, int drive, BYTE command) {
    in->cBufferSize = IDENTIFY_BUFFER_SIZE;
    in->irDriveRegs.bSectorCountReg = 1;
    in->irDriveRegs.bSectorNumberReg = 1;
    in->irDriveRegs.bDriveHeadReg = BYTE(0xA0 | ((drive & 1) << 4));
    in->irDriveRegs.bCommandReg = command;
    in->bDriveNumber = BYTE(drive);
}

// SMART receive-drive-data with an IDENTIFY command; the 256 words of the answer.
bool SmartIdentify(HANDLE drive, int number, BYTE command, uint16_t words[256]) {
    SENDCMDINPARAMS in = {};
    FillIdentifyCommand(&in, number, command);
    std::vector<BYTE> out(sizeof(SENDCMDOUTPARAMS) - 1 + IDENTIFY_BUFFER_SIZE);
    DWORD returned = 0;
    if (!DeviceIoControl(drive, SMART_RCV_DRIVE_DATA, &in, sizeof(in) - 1, out.data(), DWORD(out.size()),
                         &returned, nullptr) ||
        returned < out.size())
        return false;
    memcpy(words, reinterpret_cast<SENDCMDOUTPARAMS*>(out.data())->bBuffer, IDENTIFY_BUFFER_SIZE);
    return true;
}

std::string SerialFromIdentify(const uint16_t* words) { return IdentifyWordsToText(words, 10, 19); }

// Method 1: SMART on drives listed in the IDE device map (ATAPI drives get IDENTIFY PACKET DEVICE).
std::string SerialBySmartDeviceMap(int number) {
    ScopedHandle drive = OpenDevice(DrivePath(L"\\\\.\\PhysicalDrive%d", number), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE);
    GETVERSIONINPARAMS version;
    if (!drive.IsValid() || !SmartVersion(drive.Get(), &version)) return std::string();
    unsigned map = number < 8 ? unsigned(version.bIDEDeviceMap) >> number : 0;
    if (!(map & 0x11)) return std::string();
    uint16_t words[256];
    BYTE command = (map & 0x10) ? kIdentifyPacketDevice : kIdentifyDevice;
    return SmartIdentify(drive.Get(), number, command, words) ? SerialFromIdentify(words) : std::string();
}

// Method 2: IDENTIFY through the SCSI miniport of a port, for its two targets.
std::string SerialByScsiMiniport(int port) {
    ScopedHandle device = OpenDevice(DrivePath(L"\\\\.\\Scsi%d:", port), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!device.IsValid()) return std::string();
    const size_t outSize = sizeof(SENDCMDOUTPARAMS) - 1 + IDENTIFY_BUFFER_SIZE;
    for (int target = 0; target < 2; ++target) {
        std::vector<BYTE> buffer(sizeof(SRB_IO_CONTROL) + outSize);
        auto* control = reinterpret_cast<SRB_IO_CONTROL*>(buffer.data());
        control->HeaderLength = 0x1C;
        memcpy(control->Signature, "SCSIDISK", 8);
        control->Timeout = 10000;
        control->ControlCode = 0x1B0501;
        control->Length = DWORD(outSize);
        FillIdentifyCommand(reinterpret_cast<SENDCMDINPARAMS*>(buffer.data() + sizeof(SRB_IO_CONTROL)), target,
                            kIdentifyDevice);
        DWORD returned = 0;
        if (!DeviceIoControl(device.Get(), IOCTL_SCSI_MINIPORT, buffer.data(), DWORD(buffer.size()), buffer.data(),
                             DWORD(buffer.size()), &returned, nullptr) ||
            returned < buffer.size())
            continue;
        auto* out = reinterpret_cast<SENDCMDOUTPARAMS*>(buffer.data() + sizeof(SRB_IO_CONTROL));
        uint16_t words[256];
        memcpy(words, out->bBuffer, IDENTIFY_BUFFER_SIZE);
        std::string serial = SerialFromIdentify(words);
        if (!serial.empty()) return serial;
    }
    return std::string();
}

// The storage device descriptor of a drive, with its strings checked to lie inside the answer.
struct DriveDescriptor {
    bool removable = false;
    int busType = 0;
    std::string serial;
    std::string productId;
};

std::string DescriptorString(const std::vector<BYTE>& answer, DWORD size, DWORD offset) {
    if (offset == 0 || offset >= size) return std::string();
    const char* text = reinterpret_cast<const char*>(answer.data() + offset);
    return std::string(text, strnlen(text, size - offset));
}

bool QueryDescriptor(HANDLE drive, DriveDescriptor* descriptor) {
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<BYTE> answer(4096);
    DWORD returned = 0;
    if (!DeviceIoControl(drive, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), answer.data(),
                         DWORD(answer.size()), &returned, nullptr) ||
        returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties))
        return false;
    const auto* header = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(answer.data());
    descriptor->removable = header->RemovableMedia != 0;
    descriptor->busType = int(header->BusType);
    descriptor->serial = DescriptorString(answer, returned, header->SerialNumberOffset);
    descriptor->productId = DescriptorString(answer, returned, header->ProductIdOffset);
    return true;
}

// Method 3: the storage property query, which needs no access rights.
std::string SerialByStorageProperty(int number) {
    ScopedHandle drive =
        OpenDevice(DrivePath(L"\\\\.\\PhysicalDrive%d", number), 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
    DriveDescriptor descriptor;
    if (!drive.IsValid() || !QueryDescriptor(drive.Get(), &descriptor)) return std::string();
    return DecodeStorageSerial(descriptor.serial);
}

// Method 4: SMART IDENTIFY DEVICE without consulting the device map.
std::string SerialBySmart(int number) {
    ScopedHandle drive = OpenDevice(DrivePath(L"\\\\.\\PhysicalDrive%d", number), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    GETVERSIONINPARAMS version;
    uint16_t words[256];
    if (!drive.IsValid() || !SmartVersion(drive.Get(), &version) ||
        !SmartIdentify(drive.Get(), number, kIdentifyDevice, words))
        return std::string();
    return SerialFromIdentify(words);
}

std::string DiskSerialForMid() {
    for (auto method : {SerialBySmartDeviceMap, SerialByScsiMiniport, SerialByStorageProperty, SerialBySmart}) {
        for (int number = 0; number < kMaxDrives; ++number) {
            std::string serial = TrimTrailingBlanks(method(number));
            if (!serial.empty()) return serial;
        }
    }
    return std::string();
}

// The system disk for mid2: the first drive that is neither removable nor on an excluded bus.
std::string DiskComponentForMid2() {
    for (int number = 0; number < kMaxDrives; ++number) {
        std::wstring path = DrivePath(L"\\\\.\\PhysicalDrive%d", number);
        ScopedHandle probe = OpenDevice(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
        DriveDescriptor descriptor;
        if (!probe.IsValid() || !QueryDescriptor(probe.Get(), &descriptor) ||
            !IsSystemDiskCandidate(descriptor.removable, descriptor.busType))
            continue;
        ScopedHandle drive = OpenDevice(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        GETVERSIONINPARAMS version;
        uint16_t words[256];
        if (drive.IsValid() && SmartVersion(drive.Get(), &version) &&
            SmartIdentify(drive.Get(), number, kIdentifyDevice, words))
            return TrimBlanks(IdentifyWordsToText(words, 10, 19)) + TrimBlanks(IdentifyWordsToText(words, 27, 46));
        // Vista and 7 report the descriptor's serial as byte-swapped hexadecimal.
        DWORD version10 = COSVersionCheck::Instance().VersionNumber();
        std::string serial = version10 == 60 || version10 == 61 ? DecodeStorageSerial(descriptor.serial)
                                                                : descriptor.serial;
        return TrimBlanks(serial) + TrimBlanks(descriptor.productId);
    }
    return std::string();
}

// ---- network ----

std::vector<std::wstring> SubKeyNames(const std::wstring& path, DWORD limit) {
    std::vector<std::wstring> names;
    ScopedRegKey key;
    if (Registry::OpenKey(HKEY_LOCAL_MACHINE, path, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0; i < limit; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        LONG status = RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::wstring> AdapterServiceNames(DWORD limit) {
    std::vector<std::wstring> services;
    for (const std::wstring& card : SubKeyNames(kNetworkCardsKey, limit)) {
        std::wstring service;
        if (Registry::ReadString(HKEY_LOCAL_MACHINE, std::wstring(kNetworkCardsKey) + L"\\" + card, L"ServiceName",
                                 &service, 255) &&
            IsPlainDeviceName(service))
            services.push_back(service);
    }
    return services;
}

// The network class entries: instance id and bus type (-1 when it is not recorded).
struct ClassEntry {
    std::wstring instanceId;
    int busType = -1;
};

std::vector<ClassEntry> NetClassEntries() {
    std::vector<ClassEntry> entries;
    for (const std::wstring& name : SubKeyNames(kNetClassKey, 256)) {
        std::wstring subKey = std::wstring(kNetClassKey) + L"\\" + name;
        ClassEntry entry;
        if (!Registry::ReadString(HKEY_LOCAL_MACHINE, subKey, L"NetCfgInstanceId", &entry.instanceId, 255)) continue;
        std::wstring busText;
        DWORD busValue = 0;
        if (Registry::ReadString(HKEY_LOCAL_MACHINE, subKey, L"BusType", &busText, 32))
            entry.busType = _wtoi(busText.c_str());
        else if (Registry::ReadDword(HKEY_LOCAL_MACHINE, subKey, L"BusType", &busValue))
            entry.busType = int(busValue);
        entries.push_back(entry);
    }
    return entries;
}

constexpr int kPciBus = 5;

bool NdisQuery(HANDLE adapter, DWORD oid, void* out, DWORD size, DWORD* returned) {
    *returned = 0;
    return DeviceIoControl(adapter, IOCTL_NDIS_QUERY_GLOBAL_STATS, &oid, sizeof(oid), out, size, returned, nullptr) !=
           FALSE;
}

std::string PermanentAddress(HANDLE adapter) {
    uint8_t address[32] = {};
    DWORD returned = 0;
    if (!NdisQuery(adapter, OID_802_3_PERMANENT_ADDRESS, address, sizeof(address), &returned) || returned < 6)
        return std::string();
    return MacText(address);
}

ScopedHandle OpenAdapter(const std::wstring& service, DWORD access) {
    return OpenDevice(L"\\\\.\\" + service, access, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

// Keeps the smallest text under the user's locale ordering.
void KeepSmallest(const std::string& candidate, std::string* smallest) {
    if (candidate.empty()) return;
    if (smallest->empty() || CompareStringA(LOCALE_USER_DEFAULT, 0, candidate.c_str(), -1, smallest->c_str(), -1) ==
                                 CSTR_LESS_THAN)
        *smallest = candidate;
}

std::string MacByNdis() {
    std::string smallest;
    for (const std::wstring& service : AdapterServiceNames(MAXDWORD)) {
        ScopedHandle adapter = OpenAdapter(service, 0);
        if (adapter.IsValid()) KeepSmallest(PermanentAddress(adapter.Get()), &smallest);
    }
    return smallest;
}

std::string MacByNetbios() {
    using NetbiosFn = UCHAR(APIENTRY*)(PNCB);
    wchar_t systemDir[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    ScopedModule library(LoadLibraryW((std::wstring(systemDir) + L"\\Netapi32.dll").c_str()));
    auto netbios = library.IsValid() ? reinterpret_cast<NetbiosFn>(GetProcAddress(library.Get(), "Netbios")) : nullptr;
    if (!netbios) return std::string();

    LANA_ENUM lanas = {};
    NCB ncb = {};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&lanas);
    ncb.ncb_length = sizeof(lanas);
    if (netbios(&ncb) != NRC_GOODRET || lanas.length == 0) return std::string();

    ncb = {};
    ncb.ncb_command = NCBRESET;
    ncb.ncb_lana_num = lanas.lana[0];
    if (netbios(&ncb) != NRC_GOODRET) return std::string();

    struct {
        ADAPTER_STATUS status;
        NAME_BUFFER names[30];
    } answer = {};
    ncb = {};
    ncb.ncb_command = NCBASTAT;
    ncb.ncb_lana_num = lanas.lana[0];
    memcpy(ncb.ncb_callname, "*               ", NCBNAMSZ);
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&answer);
    ncb.ncb_length = sizeof(answer);
    if (netbios(&ncb) != NRC_GOODRET) return std::string();
    return MacText(answer.status.adapter_address);
}

// Wired and wireless candidates; the smallest wired address wins, else the smallest wireless one.
struct MacChoice {
    std::string wired;
    std::string wireless;
    std::string Result() const { return wired.empty() ? wireless : wired; }
};

enum class Medium { Excluded, Wired, Wireless };

Medium AdapterMedium(HANDLE adapter) {
    DWORD value = 0, returned = 0;
    if (NdisQuery(adapter, OID_GEN_PHYSICAL_MEDIUM_EX, &value, sizeof(value), &returned) && returned >= 4 &&
        value != 0) {
        if (value == 14) return Medium::Wired;
        if (value == 1 || value == 9) return Medium::Wireless;
        return Medium::Excluded;
    }
    value = 0;
    if (!NdisQuery(adapter, OID_GEN_PHYSICAL_MEDIUM, &value, sizeof(value), &returned) || returned < 4)
        return Medium::Wired;
    switch (value) {
        case 2: case 3: case 7: case 8: case 10: case 12: case 16: case 17: case 18: return Medium::Excluded;
        case 1: case 9: return Medium::Wireless;
        default: return Medium::Wired;
    }
}

std::string MacByAdapterMedium() {
    std::vector<ClassEntry> classEntries = NetClassEntries();
    MacChoice choice;
    for (const std::wstring& service : AdapterServiceNames(100)) {
        const ClassEntry* entry = nullptr;
        for (const ClassEntry& e : classEntries)
            if (_wcsicmp(e.instanceId.c_str(), service.c_str()) == 0) entry = &e;
        if (entry && entry->busType != kPciBus) continue;
        ScopedHandle adapter = OpenAdapter(service, GENERIC_READ);
        if (!adapter.IsValid()) continue;
        Medium medium = AdapterMedium(adapter.Get());
        if (medium == Medium::Excluded) continue;
        KeepSmallest(PermanentAddress(adapter.Get()), medium == Medium::Wired ? &choice.wired : &choice.wireless);
    }
    return choice.Result();
}

bool ContainsNoCase(std::string text, const char* word) {
    for (char& c : text) c = char(tolower(uint8_t(c)));
    return text.find(word) != std::string::npos;
}

std::string MacByAdaptersInfo() {
    std::vector<std::string> pciAdapters;
    for (const ClassEntry& e : NetClassEntries())
        if (e.busType == kPciBus) pciAdapters.push_back(Narrow(e.instanceId));
    if (pciAdapters.empty()) return std::string();

    ULONG size = 648;
    std::vector<BYTE> buffer(size);
    ULONG status = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    if (status == ERROR_BUFFER_OVERFLOW) {
        buffer.assign(size, 0);
        status = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    if (status != ERROR_SUCCESS) return std::string();
    MacChoice choice;
    for (auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); info; info = info->Next) {
        if (info->AddressLength != 6) continue;
        bool pci = false;
        for (const std::string& name : pciAdapters) pci = pci || EqualsNoCase(name, info->AdapterName);
        if (!pci) continue;
        bool wireless;
        if (info->Type == 71) wireless = true;
        else if (info->Type == MIB_IF_TYPE_ETHERNET)
            wireless = ContainsNoCase(info->Description, "wifi") || ContainsNoCase(info->Description, "wireless");
        else continue;
        KeepSmallest(MacText(info->Address), wireless ? &choice.wireless : &choice.wired);
    }
    return choice.Result();
}

std::string ComputeHardwareString() {
    std::string text = ProcessorPartForMid() + DiskSerialForMid();
    std::string mac = MacByNdis();
    if (mac.empty()) mac = MacByNetbios();
    text += mac;
    if (text.size() > kMaxHardwareString) text.resize(kMaxHardwareString);
    return text;
}

}  // namespace

std::string HardwareStringForMid() {
    static const std::string text = ComputeHardwareString();
    return text;
}

std::string CollectMid2Component(unsigned component) {
    switch (component) {
        case kMid2Mac: {
            std::string mac = MacByAdapterMedium();
            return mac.empty() ? MacByAdaptersInfo() : mac;
        }
        case kMid2Disk: return DiskComponentForMid2();
        case kMid2Processor: return ProcessorComponent();
        default: return std::string();
    }
}
