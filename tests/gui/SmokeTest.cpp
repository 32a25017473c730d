#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

// Proves the window test program links the widget library and runs offscreen.
TEST(GuiSmoke, WidgetShowsOffscreen)
{
    QWidget widget;
    widget.resize(200, 100);
    widget.show();
    EXPECT_TRUE(widget.isVisible());
    EXPECT_EQ(QApplication::platformName(), QStringLiteral("offscreen"));
}
