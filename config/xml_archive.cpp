#include "config/xml_archive.h"

#include <ole2.h>
#include <oleauto.h>

#include <climits>
#include <cwctype>

namespace {

// A BSTR owned for one call.
class ScopedBstr {
public:
    explicit ScopedBstr(const wchar_t* text) : m_bstr(::SysAllocString(text)) {}
    ~ScopedBstr() { ::SysFreeString(m_bstr); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR Get() const { return m_bstr; }

private:
    BSTR m_bstr;
};

CXMLArchiveItemList SelectNodes(IXMLDOMNode* context, const wchar_t* path) {
    ScopedBstr query(path);
    ComPtr<IXMLDOMNodeList> nodes;
    if (!context || !query.Get() || FAILED(context->selectNodes(query.Get(), nodes.Receive())))
        return CXMLArchiveItemList();
    return CXMLArchiveItemList(std::move(nodes));
}

ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node) {
    ComPtr<IXMLDOMElement> element;
    if (node) node->QueryInterface(IID_IXMLDOMElement, element.ReceiveVoid());
    return element;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

int ParseDecimal(const wchar_t* p) {
    while (std::iswspace(*p)) ++p;
    bool negative = *p == L'-';
    if (*p == L'-' || *p == L'+') ++p;
    long long value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 + (*p - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

int ParseXmlInt(const std::wstring& text) {
    size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring::npos) return 0;
    std::wstring rest = text.substr(start);
    if (rest.size() >= 3 && rest.size() <= 10 && rest[0] == L'0' && (rest[1] == L'x' || rest[1] == L'X')) {
        unsigned value = 0;
        for (size_t i = 2; i < rest.size() && HexDigit(rest[i]) >= 0; ++i) value = value * 16 + HexDigit(rest[i]);
        return static_cast<int>(value);
    }
    return ParseDecimal(rest.c_str());
}

bool CXMLArchiveItem::GetText(const wchar_t* name, std::wstring* out, const wchar_t* defaultValue) const {
    *out = defaultValue;
    if (!m_element) return false;
    ScopedBstr attribute(name);
    VARIANT value;
    ::VariantInit(&value);
    bool present = attribute.Get() && SUCCEEDED(m_element->getAttribute(attribute.Get(), &value)) &&
                   value.vt == VT_BSTR;
    if (present) out->assign(value.bstrVal ? value.bstrVal : L"", value.bstrVal ? ::SysStringLen(value.bstrVal) : 0);
    ::VariantClear(&value);
    return present;
}

bool CXMLArchiveItem::GetInt(const wchar_t* name, int* out, int defaultValue) const {
    std::wstring text;
    *out = defaultValue;
    if (!GetText(name, &text, L"")) return false;
    *out = ParseXmlInt(text);
    return true;
}

CXMLArchiveItemList CXMLArchiveItem::SelectList(const wchar_t* path) const {
    return SelectNodes(m_element.Get(), path);
}

size_t CXMLArchiveItemList::Count() const {
    long length = 0;
    if (!m_nodes || FAILED(m_nodes->get_length(&length)) || length < 0) return 0;
    return static_cast<size_t>(length);
}

CXMLArchiveItem CXMLArchiveItemList::Item(size_t index) const {
    if (index >= Count()) return CXMLArchiveItem();
    ComPtr<IXMLDOMNode> node;
    if (FAILED(m_nodes->get_item(static_cast<long>(index), node.Receive()))) return CXMLArchiveItem();
    return CXMLArchiveItem(AsElement(node.Get()));
}

bool CXMLArchive::Open(const std::wstring& path) {
    m_document.Reset();
    ComPtr<IUnknown> unknown;
    if (FAILED(::CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.ReceiveVoid())))
        return false;
    ::OleRun(unknown.Get());
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(unknown->QueryInterface(IID_IXMLDOMDocument, document.ReceiveVoid()))) return false;
    document->put_preserveWhiteSpace(VARIANT_TRUE);
    document->put_async(VARIANT_FALSE);
    // The documents are self-contained: nothing named by a DTD is fetched.
    document->put_resolveExternals(VARIANT_FALSE);
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;

    ScopedBstr file(path.c_str());
    if (!file.Get()) return false;
    VARIANT source;
    ::VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = file.Get();  // still owned by `file`
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (document->load(source, &loaded) != S_OK || loaded != VARIANT_TRUE) return false;
    m_document = std::move(document);
    return true;
}

CXMLArchiveItem CXMLArchive::SelectSingle(const wchar_t* path) const {
    ScopedBstr query(path);
    ComPtr<IXMLDOMNode> node;
    if (!m_document || !query.Get() || m_document->selectSingleNode(query.Get(), node.Receive()) != S_OK)
        return CXMLArchiveItem();
    return CXMLArchiveItem(AsElement(node.Get()));
}

CXMLArchiveItemList CXMLArchive::SelectList(const wchar_t* path) const {
    return SelectNodes(m_document.Get(), path);
}
