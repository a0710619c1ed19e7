// Widget tests run inside the program's own application object, on the offscreen platform
// unless a test script gives them a display of their own (the input-method test).
#include "font_substitution.h"
#include "velta_application.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's own settings (print calibration) stay untouched: tests keep theirs here.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    velta::VeltaApplication application(argc, argv);
    velta::installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
