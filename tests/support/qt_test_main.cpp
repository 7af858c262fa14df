#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// Every test program runs with a QApplication on Qt's offscreen platform, so
// that window tests need no display.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
