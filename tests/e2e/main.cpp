#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

int changeStoreManyTimes(const std::string& path, int slot, int count);

int main(int argc, char** argv) {
    // A second process of a test, changing a store beside the first.
    if (argc == 5 && std::strcmp(argv[1], "--change-store") == 0)
        return changeStoreManyTimes(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    // The driver works in the screen's own pixels, as the program does: an
    // unaware driver would see every rectangle scaled at a DPI above 96, and
    // its clicks would land beside the controls.
    SetProcessDPIAware();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
