#pragma once
#include <string>
#include <vector>

#include "tools/installer/install_options.h"

// What the product puts outside its installation directory: desktop shortcuts (common and per-user),
// its programs-menu folder, the uninstall entry, the autorun `Run` values (HKCU, HKLM in both views)
// and the logon task "Orbwp-srv". The branding option decides the shortcut names.
// Returns the number of entries made; each failure is described in `failures`.
int InstallProductEntries(const InstallOptions& options, std::vector<std::wstring>* failures);
