#ifdef MARLVANE_TEST_GUI
#include <QApplication>
#endif
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {
void setDefault(const char* name, const char* value)
{
    if (qEnvironmentVariableIsEmpty(name)) {
        qputenv(name, value);
    }
}
} // namespace

// One main for every test program. GUI tests get a QApplication; the others a QCoreApplication,
// so coroutines have an event loop. The environment is set here rather than by CTest so that a
// test program behaves the same when run by hand: text and collation must not depend on the
// machine's locale, widgets never need a display, and artefacts go under the build folder.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setDefault("LC_ALL", "C.UTF-8");
    setDefault("LANG", "C.UTF-8");
    setDefault("MARLVANE_BUILD_DIR", MARLVANE_BUILD_DIR_DEFAULT);
#ifdef MARLVANE_TEST_GUI
    setDefault("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
