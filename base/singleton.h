#pragma once
#include <atomic>
#include <new>

#include "base/lock.h"

namespace singleton_detail {
// The process-wide critical section under which each singleton's own lock is created.
_BaseModule::CCriticalSection& CreationSection();
}  // namespace singleton_detail

// Lazily created process-wide singleton; instances live until the process ends.
// Double-checked: the pointers are published with release and read with acquire ordering.
template <typename T>
class CSingletonT {
public:
    static T* Instance() {
        _BaseModule::CCriticalSection* lock = s_lock.load(std::memory_order_acquire);
        if (!lock) {
            _BaseModule::CAutoLocker guard(&singleton_detail::CreationSection());
            lock = s_lock.load(std::memory_order_relaxed);
            if (!lock) {
                lock = new (std::nothrow) _BaseModule::CCriticalSection;
                s_lock.store(lock, std::memory_order_release);
            }
            if (!lock) return nullptr;
        }
        T* instance = s_instance.load(std::memory_order_acquire);
        if (!instance) {
            _BaseModule::CAutoLocker guard(lock);
            instance = s_instance.load(std::memory_order_relaxed);
            if (!instance) {
                instance = new (std::nothrow) T;
                s_instance.store(instance, std::memory_order_release);
            }
        }
        return instance;
    }

private:
    static inline std::atomic<_BaseModule::CCriticalSection*> s_lock{nullptr};
    static inline std::atomic<T*> s_instance{nullptr};
};
