// The 7-Zip side of CResourceUnpack: the process-wide library binding, and the input stream, open
// callback and extract callback through which the 7z format handler reads and writes files.
#include <atomic>
#include <new>
#include <optional>

#include "base/log.h"
#include "base/scoped.h"
#include "config/archive_path.h"
#include "config/resource_unpack.h"
#include "config/sevenzip_api.h"
#include "base/dir_tree.h"

namespace {

using namespace sevenzip;

// Guards the temporary directory against archives that expand without bound.
constexpr UINT64 kMaxExtractedBytes = 64ull << 20;
// Attributes an extracted item may carry (7-Zip also stores Unix modes in the high bits).
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The loaded library; set once by Load7Zip on the UI thread, before any extraction.
struct SevenZipLibrary {
    ScopedModule module;
    CreateObjectFunc createObject = nullptr;
};

SevenZipLibrary& Library() {
    static SevenZipLibrary library;
    return library;
}

// Reference counting and QueryInterface for an object implementing one interface chain.
template <typename Iface, const GUID&... Iids>
class CUnknownImpl : public Iface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || ((iid == Iids) || ...)) {
            *out = static_cast<Iface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

protected:
    virtual ~CUnknownImpl() = default;

private:
    std::atomic<ULONG> m_refs{1};
};

// Creates an object with one reference owned by the returned pointer (empty when out of memory).
template <typename T, typename... Args>
ComPtr<T> MakeCom(Args&&... args) {
    ComPtr<T> object;
    *object.Receive() = new (std::nothrow) T(std::forward<Args>(args)...);
    return object;
}

class CInFileStream final : public CUnknownImpl<IInStream, IID_ISequentialInStream, IID_IInStream> {
public:
    explicit CInFileStream(ScopedHandle file) : m_file(std::move(file)) {}

    HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) noexcept override {
        DWORD read = 0;
        BOOL ok = ::ReadFile(m_file.Get(), data, size, &read, nullptr);
        if (processedSize) *processedSize = read;
        return ok ? S_OK : HRESULT_FROM_WIN32(::GetLastError());
    }
    HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) noexcept override {
        if (seekOrigin > kSeekEnd) return STG_E_INVALIDFUNCTION;
        LARGE_INTEGER distance, position;
        distance.QuadPart = offset;
        // The seek origins have the values of FILE_BEGIN, FILE_CURRENT and FILE_END.
        if (!::SetFilePointerEx(m_file.Get(), distance, &position, seekOrigin))
            return HRESULT_FROM_WIN32(::GetLastError());
        if (newPosition) *newPosition = position.QuadPart;
        return S_OK;
    }

private:
    ScopedHandle m_file;
};

class COutFileStream final : public CUnknownImpl<ISequentialOutStream, IID_ISequentialOutStream> {
public:
    COutFileStream(ScopedHandle file, UINT64* budget) : m_file(std::move(file)), m_budget(budget) {}

    HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) noexcept override {
        if (processedSize) *processedSize = 0;
        if (!m_file.IsValid()) return E_FAIL;
        if (size > *m_budget) {
            Log(L"archive expands beyond %u MiB, extraction stopped", static_cast<unsigned>(kMaxExtractedBytes >> 20));
            return E_FAIL;
        }
        DWORD written = 0;
        BOOL ok = ::WriteFile(m_file.Get(), data, size, &written, nullptr);
        *m_budget -= written;
        if (processedSize) *processedSize = written;
        return ok ? S_OK : HRESULT_FROM_WIN32(::GetLastError());
    }

    // Stamps the modification time (when stored) and closes the file; true when both went well.
    bool Finish(const std::optional<FILETIME>& modified) {
        bool ok = !modified || ::SetFileTime(m_file.Get(), nullptr, nullptr, &*modified);
        m_file.Reset();
        return ok;
    }

private:
    ScopedHandle m_file;
    UINT64* m_budget;
};

class COpenCallback final : public CUnknownImpl<IArchiveOpenCallback, IID_IArchiveOpenCallback> {
public:
    HRESULT STDMETHODCALLTYPE SetTotal(const UINT64*, const UINT64*) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64*, const UINT64*) noexcept override { return S_OK; }
};

struct ItemProps {
    std::wstring path;
    bool isDir = false;
    std::optional<DWORD> attributes;
    std::optional<FILETIME> modified;
};

// One property of an archive item; VT_EMPTY when the archive does not store it.
class ItemProperty {
public:
    ItemProperty(IInArchive* archive, UINT32 index, PROPID id) {
        ::PropVariantInit(&m_value);
        if (FAILED(archive->GetProperty(index, id, &m_value))) ::PropVariantClear(&m_value);
    }
    ~ItemProperty() { ::PropVariantClear(&m_value); }
    ItemProperty(const ItemProperty&) = delete;
    ItemProperty& operator=(const ItemProperty&) = delete;
    const PROPVARIANT& operator*() const { return m_value; }

private:
    PROPVARIANT m_value;
};

ItemProps ReadItemProps(IInArchive* archive, UINT32 index) {
    ItemProps props;
    ItemProperty path(archive, index, kpidPath);
    if ((*path).vt == VT_BSTR && (*path).bstrVal) props.path = (*path).bstrVal;
    ItemProperty isDir(archive, index, kpidIsDir);
    props.isDir = (*isDir).vt == VT_BOOL && (*isDir).boolVal != VARIANT_FALSE;
    ItemProperty attributes(archive, index, kpidAttrib);
    if ((*attributes).vt == VT_UI4) props.attributes = (*attributes).ulVal & kSettableAttributes;
    ItemProperty modified(archive, index, kpidMTime);
    if ((*modified).vt == VT_FILETIME) props.modified = (*modified).filetime;
    return props;
}

// Writes each item under the destination by its stored relative path.
class CExtractCallback final
    : public CUnknownImpl<IArchiveExtractCallback, IID_IProgress, IID_IArchiveExtractCallback> {
public:
    CExtractCallback(IInArchive* archive, std::wstring destDir) : m_archive(archive), m_destDir(std::move(destDir)) {}

    // True when every item was written whole and none was refused.
    bool Succeeded() const { return !m_failed; }

    HRESULT STDMETHODCALLTYPE SetTotal(UINT64) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64*) noexcept override { return S_OK; }

    HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream,
                                        INT32 askExtractMode) noexcept override {
        if (!outStream) return E_POINTER;
        *outStream = nullptr;
        m_item = {};
        m_stream.Reset();
        if (askExtractMode != kAskExtract) return S_OK;

        ItemProps props = ReadItemProps(m_archive, index);
        std::wstring relative;
        if (!ResolveEntryPath(props.path, &relative)) {
            Log(L"archive entry refused, it points outside the destination: %s", props.path.c_str());
            m_failed = true;
            return E_ABORT;
        }
        m_item = std::move(props);
        m_item.path = m_destDir + L"\\" + relative;
        if (m_item.isDir) return CreateDirectories(m_item.path) ? S_OK : E_FAIL;

        if (!CreateDirectories(m_item.path.substr(0, m_item.path.find_last_of(L'\\')))) return E_FAIL;
        ScopedHandle file(::CreateFileW(m_item.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return HRESULT_FROM_WIN32(::GetLastError());
        m_stream = MakeCom<COutFileStream>(std::move(file), &m_budget);
        if (!m_stream) return E_OUTOFMEMORY;
        m_stream->AddRef();
        *outStream = m_stream.Get();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE PrepareOperation(INT32) noexcept override { return S_OK; }

    HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 opRes) noexcept override {
        if (opRes != kOperationOk) m_failed = true;
        if (m_stream && !m_stream->Finish(m_item.modified)) m_failed = true;
        m_stream.Reset();
        if (!m_item.path.empty() && m_item.attributes)
            ::SetFileAttributesW(m_item.path.c_str(), *m_item.attributes ? *m_item.attributes : FILE_ATTRIBUTE_NORMAL);
        m_item = {};
        return S_OK;
    }

private:
    IInArchive* m_archive;
    std::wstring m_destDir;
    ItemProps m_item;  // the item being written; its path is the full destination path
    ComPtr<COutFileStream> m_stream;
    UINT64 m_budget = kMaxExtractedBytes;
    bool m_failed = false;
};

}  // namespace

bool CResourceUnpack::Load7Zip(const std::wstring& path) {
    SevenZipLibrary& library = Library();
    if (library.createObject) return true;
    ScopedModule module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module.IsValid()) return false;
    auto createObject = reinterpret_cast<CreateObjectFunc>(::GetProcAddress(module.Get(), "CreateObject"));
    if (!createObject) return false;
    library.module = std::move(module);
    library.createObject = createObject;
    return true;
}

int CResourceUnpack::ExtractArchive(const std::wstring& archivePath, const std::wstring& destDir) {
    if (!CreateDirectories(destDir)) return -1;
    CreateObjectFunc createObject = Library().createObject;
    if (!createObject) return -1;

    ComPtr<IInArchive> archive;
    if (FAILED(createObject(&CLSID_Format7z, &IID_IInArchive, archive.ReceiveVoid())) || !archive) return -1;
    ScopedHandle file(::CreateFileW(archivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return -1;
    ComPtr<CInFileStream> stream = MakeCom<CInFileStream>(std::move(file));
    ComPtr<COpenCallback> openCallback = MakeCom<COpenCallback>();
    if (!stream || !openCallback) return -1;
    // S_FALSE means "not a 7z archive".
    if (archive->Open(stream.Get(), nullptr, openCallback.Get()) != S_OK) return -1;

    ComPtr<CExtractCallback> extractCallback = MakeCom<CExtractCallback>(archive.Get(), destDir);
    HRESULT result = extractCallback
                         ? archive->Extract(nullptr, static_cast<UINT32>(-1), FALSE, extractCallback.Get())
                         : E_OUTOFMEMORY;
    archive->Close();
    return result == S_OK && extractCallback->Succeeded() ? 0 : -1;
}
