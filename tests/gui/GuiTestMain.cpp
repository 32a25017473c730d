#include <QApplication>
#include <gtest/gtest.h>

#include <clocale>

// Window tests need a QApplication; the shared test main makes only a core application. This main
// is linked first, so the one in the support library is never pulled in.
int main(int argc, char **argv)
{
    // Test discovery at build time runs without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A platform theme could bring native file dialogs that no test can answer.
    qunsetenv("QT_QPA_PLATFORMTHEME");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
