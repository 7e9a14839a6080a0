#pragma once
#include <string>
#include <vector>

#include "tools/installer/product_layout.h"

// Puts a product layout on the machine: directories and files first, then the registry. Existing files are
// overwritten, so installing again repairs an installation. Each failure is described in `failures`;
// the installation goes on with the next entry.
struct InstallSummary {
    int files = 0;
    int registryValues = 0;
};

bool InstallProduct(const Layout::ProductLayout& layout, InstallSummary* summary, std::vector<std::wstring>* failures);
