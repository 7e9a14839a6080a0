// The product's launcher (started at logon and by the restore run). Called with "/uninstall" from the
// registry's program list it only records the call and ends; otherwise it keeps a window like the main program.
#include "tools/product/product_common.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    ProductSim::CCommandOptions options(commandLine);
    ProductSim::RecordCall(L"vorizar.exe", options.Tail());
    if (options.Has(L"uninstall")) return 0;
    ProductSim::WindowOptions defaults;
    defaults.windowClass = L"OrbVorizarWndCls";
    defaults.title = L"Korvelia launcher";
    return ProductSim::RunProductWindow(instance, ProductSim::ParseWindowOptions(options, defaults));
}
