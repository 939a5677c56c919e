// Test entry point: COM is initialised for the whole run on the main (STA) thread.
#include <gtest/gtest.h>
#include <objbase.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    int rc = RUN_ALL_TESTS();
    CoUninitialize();
    return rc;
}
