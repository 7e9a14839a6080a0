#include "engine/uninstall_entry.h"

#include "base/log.h"
#include "base/registry.h"
#include "engine/step_families.h"

int RemoveUninstallEntry() {
    Registry::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
    Log(L"Delete uninstall registry");
    return 1;
}
