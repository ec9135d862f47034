// GoogleTest entry for tests that need the Qt event loop: the application object lives for the
// whole run, on the main thread, which is the UI thread.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/web_engine_sandbox.h"

#ifdef LUMENO_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Tests run as root in CI, where the web engine's sandbox cannot start: as the client does.
    platform::PrepareWebEngineSandbox();
#ifdef LUMENO_TEST_GUI
    // The web engine shares its drawing contexts; this must be said before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
