// The product's main program: one hidden window of the product's control class that stays until a close
// request is honoured. Options (see product_common.h) let tests give it another class or make it stubborn.
#include "tools/product/product_common.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    ProductSim::CCommandOptions options(commandLine);
    ProductSim::RecordCall(L"qalmex.exe", options.Tail());
    ProductSim::WindowOptions defaults;
    defaults.windowClass = L"OrbWallPaperCtrlCls";
    defaults.title = L"Korvelia";
    return ProductSim::RunProductWindow(instance, ProductSim::ParseWindowOptions(options, defaults));
}
