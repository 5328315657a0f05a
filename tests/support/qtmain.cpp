// Test entry for tests that need an application object. Widgets run on the
// offscreen platform unless the environment chose another. Built twice: with
// the player's own application class (which routes uncaught errors to the
// main window) for the tests of the main window, with a plain one otherwise.
#ifdef VIMBO_TEST_PLAYER_APPLICATION
#include "app/application.h"
using TestApplication = TApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
