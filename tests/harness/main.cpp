#include <gtest/gtest.h>
#include <objbase.h>

int wmain(int argc, wchar_t** argv) {
    CoInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
