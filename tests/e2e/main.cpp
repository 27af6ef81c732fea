#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The driver works in the screen's own pixels, as the program does: an
    // unaware driver would see every rectangle scaled at a DPI above 96, and
    // its clicks would land beside the controls.
    SetProcessDPIAware();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
