// One application object for every window test, the program's own, on the offscreen platform
// unless told otherwise.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "ui/startup.h"

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // What the windows store (the view, the recent files, the engines) stays out of the user's own.
    QTemporaryDir settings;
    if (settings.isValid()) qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
