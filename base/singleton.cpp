#include "base/singleton.h"

namespace singleton_detail {

_BaseModule::CCriticalSection& CreationSection() {
    // Function-local static: constructed thread-safely on first use, before any singleton exists.
    static _BaseModule::CCriticalSection section;
    return section;
}

}  // namespace singleton_detail
