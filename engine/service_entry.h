#pragma once
#include <windows.h>

#include <string>

// One Windows service (or kernel driver) of the product, by name.
class CServiceEntry {
public:
    explicit CServiceEntry(std::wstring name) : m_name(std::move(name)) {}

    // Asks the service to stop, without waiting for it.
    BOOL Stop();
    // Marks the service for deletion.
    BOOL Delete();

private:
    std::wstring m_name;
};

// The engine's service step: Stop, Delete, "delete <name> fail" when the deletion failed, "delete <name>".
void StopAndDeleteLogged(const wchar_t* name);
