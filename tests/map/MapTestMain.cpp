#include "kivora/map/MapFactory.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The web engine needs its settings before the application exists; CI has no GPU.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-gpu-compositing", 0);
    kivora::map::prepareWebEngine();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
