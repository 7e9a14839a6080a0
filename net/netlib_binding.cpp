#include "net/netlib_binding.h"

#include "base/paths.h"
#include "base/signature.h"
#include "base/singleton.h"

CNetLibBinding::~CNetLibBinding() = default;

bool CNetLibBinding::Load(const std::wstring& path) {
    if (m_module) return m_factory != nullptr;
    if (!VerifyFileSignature(path.c_str())) return false;
    m_module = LoadLibraryW(path.c_str());
    if (!m_module) return false;
    m_httpInit = reinterpret_cast<HttpInitFn>(GetProcAddress(m_module, "HttpInit"));
    m_httpUninit = reinterpret_cast<HttpUninitFn>(GetProcAddress(m_module, "HttpUninit"));
    m_zlibUncompress = GetProcAddress(m_module, "zlib_uncompress");
    m_zlibCompress = GetProcAddress(m_module, "zlib_compress");
    m_zlibCompressBound = GetProcAddress(m_module, "zlib_compressBound");
    if (m_httpInit) m_factory = m_httpInit();
    return m_factory != nullptr;
}

void CNetLibBinding::Unload() {
    if (!m_module) return;
    if (m_httpUninit && m_factory) m_httpUninit(m_factory);
    m_factory = nullptr;
    FreeLibrary(m_module);
    m_module = nullptr;
}

std::wstring SharedNetLibPath() {
    std::wstring dir = Paths::ModuleDirectory();
    std::wstring path = Paths::Join(dir, L"VarUZ.dll");
    return Paths::FileExists(path) ? path : Paths::Join(dir, L"OrbVarUZ.dll");
}

CNetLibBinding* SharedNetLib() { return CSingletonT<CNetLibBinding>::Instance(); }
