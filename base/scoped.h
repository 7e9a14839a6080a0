#pragma once
#include <windows.h>
#include <objbase.h>

#include <utility>

// Move-only owners of platform handles: copying is deleted, so a handle is closed exactly once.
template <typename Traits>
class ScopedHandleT {
public:
    using Handle = typename Traits::Handle;
    ScopedHandleT() = default;
    explicit ScopedHandleT(Handle h) : m_handle(h) {}
    ~ScopedHandleT() { Reset(); }
    ScopedHandleT(ScopedHandleT&& other) noexcept : m_handle(other.Release()) {}
    ScopedHandleT& operator=(ScopedHandleT&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ScopedHandleT(const ScopedHandleT&) = delete;
    ScopedHandleT& operator=(const ScopedHandleT&) = delete;

    bool IsValid() const { return Traits::IsValid(m_handle); }
    Handle Get() const { return m_handle; }
    Handle* Receive() {
        Reset();
        return &m_handle;
    }
    Handle Release() { return std::exchange(m_handle, Traits::Invalid()); }
    void Reset(Handle h = Traits::Invalid()) {
        if (Traits::IsValid(m_handle)) Traits::Close(m_handle);
        m_handle = h;
    }

private:
    Handle m_handle = Traits::Invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};

using ScopedHandle = ScopedHandleT<KernelHandleTraits>;
using ScopedFindHandle = ScopedHandleT<FindHandleTraits>;
using ScopedRegKey = ScopedHandleT<RegKeyTraits>;
using ScopedModule = ScopedHandleT<ModuleTraits>;

// CoInitialize for the lifetime of the object (one per thread that uses COM).
class ScopedCom {
public:
    ScopedCom() : m_hr(::CoInitialize(nullptr)) {}
    ~ScopedCom() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

private:
    HRESULT m_hr;
};

// Owning pointer to a COM interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    T** Receive() {
        Reset();
        return &m_ptr;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Reset() {
        if (m_ptr) m_ptr->Release();
        m_ptr = nullptr;
    }

private:
    T* m_ptr = nullptr;
};
