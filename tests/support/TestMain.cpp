#ifdef MARLVANE_TEST_GUI
#include <QApplication>
#endif
#include <QCoreApplication>

#include <gtest/gtest.h>

// One main for every test program: a UTF-8 C locale, the offscreen platform for widgets, artefacts
// under the build folder; set here so a program run by hand behaves as under CTest.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const std::pair<const char*, const char*> defaults[] = {
        {"LC_ALL", "C.UTF-8"}, {"LANG", "C.UTF-8"}, {"MARLVANE_BUILD_DIR", MARLVANE_BUILD_DIR_DEFAULT}};
    for (const auto& [name, value] : defaults) {
        if (qEnvironmentVariableIsEmpty(name))
            qputenv(name, value);
    }
#ifdef MARLVANE_TEST_GUI
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
