#pragma once
#include <windows.h>
#include <unknwn.h>

#include <string>

#include "base/lock.h"

// Extension interface of the maker's COM-style objects: IUnknown, eight reserved operations, the
// destructor.
class IExtend : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual ~IExtend() = default;
};

class INewMID : public IUnknown {
public:
    // Writes mid2 and its terminator into `buffer` of `count` characters.
    virtual HRESULT STDMETHODCALLTYPE GetMID2(wchar_t* buffer, ULONG count) = 0;
};

extern const IID IID_IExtend;
extern const IID IID_INewMID;

// Every extension operation answers E_NOTIMPL.
class CEmptyExtendImpl : public IExtend {
public:
    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }
};

// The process-wide mid2 server. It lives until the process ends, so AddRef and Release only answer.
class CZyrMID2 : public CEmptyExtendImpl, public INewMID {
public:
    CZyrMID2() = default;
    CZyrMID2(const CZyrMID2&) = delete;
    CZyrMID2& operator=(const CZyrMID2&) = delete;

    // The one instance, created by the first caller while later callers wait for it.
    static CZyrMID2* Instance();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // mid2 is computed on the first call, under the object's lock.
    HRESULT STDMETHODCALLTYPE GetMID2(wchar_t* buffer, ULONG count) override;

private:
    _BaseModule::CCriticalSection m_lock;
    bool m_computed = false;
    std::string m_mid2;
};
