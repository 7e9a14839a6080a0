#pragma once
#include <windows.h>

// The few interfaces of 7-Zip's archive library ("7z.dll") that the extraction uses, declared by us.
// Slots are in the library's order; every method is stdcall and never throws across the boundary.
namespace sevenzip {

// Interface ids share one pattern: {23170F69-40C1-278A-0000-00GG00SS0000}, GG the group, SS the id.
constexpr GUID MakeIid(BYTE group, BYTE id) {
    return {0x23170F69, 0x40C1, 0x278A, {0x00, 0x00, 0x00, group, 0x00, id, 0x00, 0x00}};
}

inline constexpr GUID IID_IProgress = MakeIid(0x00, 0x05);
inline constexpr GUID IID_ISequentialInStream = MakeIid(0x03, 0x01);
inline constexpr GUID IID_ISequentialOutStream = MakeIid(0x03, 0x02);
inline constexpr GUID IID_IInStream = MakeIid(0x03, 0x03);
inline constexpr GUID IID_IArchiveOpenCallback = MakeIid(0x06, 0x10);
inline constexpr GUID IID_IArchiveExtractCallback = MakeIid(0x06, 0x20);
inline constexpr GUID IID_IInArchive = MakeIid(0x06, 0x60);
// The 7z format handler: {23170F69-40C1-278A-1000-000110070000}.
inline constexpr GUID CLSID_Format7z = {0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

enum : PROPID { kpidPath = 3, kpidIsDir = 6, kpidSize = 7, kpidAttrib = 9, kpidMTime = 12 };
enum : INT32 { kAskExtract = 0 };         // askExtractMode of GetStream / PrepareOperation
enum : INT32 { kOperationOk = 0 };        // opRes of SetOperationResult
enum : UINT32 { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };

#define SZ_METHOD(name) virtual HRESULT STDMETHODCALLTYPE name noexcept = 0

struct ISequentialInStream : IUnknown {
    SZ_METHOD(Read(void* data, UINT32 size, UINT32* processedSize));
};
struct IInStream : ISequentialInStream {
    SZ_METHOD(Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition));
};
struct ISequentialOutStream : IUnknown {
    SZ_METHOD(Write(const void* data, UINT32 size, UINT32* processedSize));
};
struct IProgress : IUnknown {
    SZ_METHOD(SetTotal(UINT64 total));
    SZ_METHOD(SetCompleted(const UINT64* completeValue));
};
struct IArchiveOpenCallback : IUnknown {
    SZ_METHOD(SetTotal(const UINT64* files, const UINT64* bytes));
    SZ_METHOD(SetCompleted(const UINT64* files, const UINT64* bytes));
};
struct IArchiveExtractCallback : IProgress {
    SZ_METHOD(GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode));
    SZ_METHOD(PrepareOperation(INT32 askExtractMode));
    SZ_METHOD(SetOperationResult(INT32 opRes));
};
struct IInArchive : IUnknown {
    SZ_METHOD(Open(IInStream* stream, const UINT64* maxCheckStartPosition, IArchiveOpenCallback* openCallback));
    SZ_METHOD(Close());
    SZ_METHOD(GetNumberOfItems(UINT32* numItems));
    SZ_METHOD(GetProperty(UINT32 index, PROPID propId, PROPVARIANT* value));
    SZ_METHOD(Extract(const UINT32* indices, UINT32 numItems, INT32 testMode, IArchiveExtractCallback* callback));
    SZ_METHOD(GetArchiveProperty(PROPID propId, PROPVARIANT* value));
    SZ_METHOD(GetNumberOfProperties(UINT32* numProps));
    SZ_METHOD(GetPropertyInfo(UINT32 index, BSTR* name, PROPID* propId, VARTYPE* varType));
    SZ_METHOD(GetNumberOfArchiveProperties(UINT32* numProps));
    SZ_METHOD(GetArchivePropertyInfo(UINT32 index, BSTR* name, PROPID* propId, VARTYPE* varType));
};

#undef SZ_METHOD

// The library's one entry point: STDAPI CreateObject(const GUID* clsid, const GUID* iid, void** out).
using CreateObjectFunc = HRESULT(WINAPI*)(const GUID* clsid, const GUID* iid, void** outObject);

}  // namespace sevenzip
