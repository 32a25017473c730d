#include <QGuiApplication>
#include <gtest/gtest.h>

#include <clocale>

// Painting text into an image needs fonts, which only a GUI application has; the shared test main
// makes a core application. This main is linked first, so that one is never pulled in.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
