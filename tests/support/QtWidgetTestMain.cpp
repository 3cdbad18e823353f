#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Widget tests share one QApplication that lives exactly as long as main(): a function-static
// application would be torn down by exit handlers after Qt's platform plugin, and crash there.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
