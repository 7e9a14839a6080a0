// One of the product's programs (qalmex.exe, vorizar.exe, Orbwpapp.exe): a hidden window of the class the
// setup project names for it, kept until a close request is honoured. Options (product_common.h) give it
// another class or make it ignore requests. Started with "/uninstall" (as the registry's program list
// does) it only records the call and ends.
#include "tools/product/product_common.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    ProductSim::CCommandOptions options(commandLine);
    ProductSim::RecordCall(PROGRAM_FILE_NAME, options.Tail());
    if (options.Has(L"uninstall")) return 0;
    ProductSim::WindowOptions defaults;
    defaults.windowClass = PROGRAM_WINDOW_CLASS;
    defaults.title = PROGRAM_FILE_NAME;
    defaults.closeCommand = PROGRAM_CLOSE_COMMAND;
    return ProductSim::RunProductWindow(instance, ProductSim::ParseWindowOptions(options, defaults));
}
