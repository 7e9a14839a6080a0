#pragma once
#include <windows.h>
#include <msxml.h>

#include <string>

#include "base/scoped.h"

// One element of an XML document; an empty item (element missing) answers every attribute with the default.
class CXMLArchiveItemList;

class CXMLArchiveItem {
public:
    CXMLArchiveItem() = default;
    explicit CXMLArchiveItem(ComPtr<IXMLDOMElement> element) : m_element(std::move(element)) {}

    bool Exists() const { return static_cast<bool>(m_element); }
    // The attribute's text; true when the attribute exists as text, otherwise `out` gets the default.
    bool GetText(const wchar_t* name, std::wstring* out, const wchar_t* defaultValue) const;
    // The attribute as an integer (ParseXmlInt); true when the attribute exists as text.
    bool GetInt(const wchar_t* name, int* out, int defaultValue) const;
    // The elements at `path` below this one ("Item" for its Item children).
    CXMLArchiveItemList SelectList(const wchar_t* path) const;

private:
    ComPtr<IXMLDOMElement> m_element;
};

class CXMLArchiveItemList {
public:
    CXMLArchiveItemList() = default;
    explicit CXMLArchiveItemList(ComPtr<IXMLDOMNodeList> nodes) : m_nodes(std::move(nodes)) {}

    size_t Count() const;
    // The element at `index`; empty when the index is outside the list or the node is no element.
    CXMLArchiveItem Item(size_t index) const;

private:
    ComPtr<IXMLDOMNodeList> m_nodes;
};

// One XML document read through the platform's DOM (MSXML over COM; the caller initialises COM).
class CXMLArchive {
public:
    // Creates the DOM document (white space preserved, synchronous) and loads the file; true when loaded.
    bool Open(const std::wstring& path);
    // Element paths are XPath-like, relative to the document: "Setup/Main".
    CXMLArchiveItem SelectSingle(const wchar_t* path) const;
    CXMLArchiveItemList SelectList(const wchar_t* path) const;

private:
    ComPtr<IXMLDOMDocument> m_document;
};

// Integer attribute text: blanks and tabs skipped; "0x"/"0X" followed by hexadecimal digits when the
// rest is 3 to 10 characters long; otherwise a signed decimal number read like the runtime's atoi
// (stops at the first other character, clamped to the int range).
int ParseXmlInt(const std::wstring& text);
