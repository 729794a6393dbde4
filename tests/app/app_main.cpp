// The application tests' entry point: one application object for the whole run, on the offscreen platform unless
// a platform was chosen.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/window/forms.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    TApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
