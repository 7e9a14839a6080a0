// Step families whose work this build does not carry yet. Each says in the log what it skipped, so a
// run shows exactly which parts of the product were left to other means.
#include "engine/step_families.h"

#include "base/log.h"

namespace {
void Skipped(const wchar_t* what) { Log(L"skipped: %s (not in this build)", what); }
}  // namespace

DWORD ReportUninstallActivity(const std::wstring&, const std::wstring&) {
    Skipped(L"activity report");
    return 0;
}
