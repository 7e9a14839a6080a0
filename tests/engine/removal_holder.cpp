// Keeps its own executable file busy (loaded, so it can be renamed but not deleted) until it is ended.
#include <windows.h>

int wmain() {
    Sleep(INFINITE);
    return 0;
}
