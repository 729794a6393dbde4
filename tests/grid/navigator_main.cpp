// The component library tests' entry point: the application object and the library live for the whole run, on
// the offscreen platform unless a platform was chosen.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/window/forms.h"
#include "grid/pk_intl.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    TApplication application(argc, argv);
    StartComponentLibrary();
    int rc = RUN_ALL_TESTS();
    StopComponentLibrary();
    return rc;
}
