// Test entry: installs the headless SDL context provider before any test opens graphics.
#include "framework/platform/Platform.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    SetGLContextProvider(CreateSdlGLContextProvider(true));
    const int result = RUN_ALL_TESTS();
    EndGraphics();
    SetGLContextProvider(nullptr);
    return result;
}
