#ifdef MARLVANE_TEST_GUI
#include <QApplication>
#endif
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

// One main for every test program. GUI tests get a QApplication (run them with
// QT_QPA_PLATFORM=offscreen); the others a QCoreApplication, so coroutines have an event loop.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef MARLVANE_TEST_GUI
    // Test discovery runs the program without the tests' environment; widgets never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
