// Widget tests run inside the program's own application object, on the offscreen platform.
#include "font_substitution.h"
#include "velta_application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    velta::VeltaApplication application(argc, argv);
    velta::installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
