#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

// Widget tests share one QApplication that lives exactly as long as main(): a function-static
// application would be torn down by exit handlers after Qt's platform plugin, and crash there.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#ifdef KIVORA_OFFSCREEN_CONFIG
    // A desktop-sized virtual screen: on the plugin's default one the main window starts maximised.
    if (std::string_view(std::getenv("QT_QPA_PLATFORM")) == "offscreen")
        setenv("QT_QPA_PLATFORM", "offscreen:configfile=" KIVORA_OFFSCREEN_CONFIG, 1);
#endif
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
