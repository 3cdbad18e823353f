#include "kivora/app/CkivoraDlg.h"
#include "kivora/map/MapFactory.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The window with its real map: the web engine is prepared before the application, as the
// program does it. CI has no GPU.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-gpu-compositing", 0);
    kivora::map::prepareWebEngine();
    QApplication app(argc, argv);
    kivora::app::CkivoraDlg::useRealMap(true);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
