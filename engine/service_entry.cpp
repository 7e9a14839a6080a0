#include "engine/service_entry.h"

#include "base/log.h"
#include "base/scoped.h"

namespace {

struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::CloseServiceHandle(h); }
};
using ScopedServiceHandle = ScopedHandleT<ServiceHandleTraits>;

// Opens the manager and the service with all access; `service` stays invalid on failure.
void OpenService(const std::wstring& name, ScopedServiceHandle* manager, ScopedServiceHandle* service) {
    manager->Reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager->IsValid()) service->Reset(OpenServiceW(manager->Get(), name.c_str(), SERVICE_ALL_ACCESS));
}

}  // namespace

BOOL CServiceEntry::Stop() {
    // The product's protection driver would have to be unlocked first over its device; builds without
    // that driver (like this one) have nothing to unlock.
    ScopedServiceHandle manager, service;
    OpenService(m_name, &manager, &service);
    if (!service.IsValid()) return FALSE;
    SERVICE_STATUS status = {};
    return ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
}

BOOL CServiceEntry::Delete() {
    ScopedServiceHandle manager, service;
    OpenService(m_name, &manager, &service);
    if (!service.IsValid()) return FALSE;
    return DeleteService(service.Get());
}

void StopAndDeleteLogged(const wchar_t* name) {
    CServiceEntry service(name);
    service.Stop();
    if (!service.Delete()) Log(L"delete %s fail", name);
    Log(L"delete %s", name);
}
