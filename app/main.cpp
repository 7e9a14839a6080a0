#include <windows.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR tail, int show) {
    return RunUninstaller(instance, tail, show);
}
