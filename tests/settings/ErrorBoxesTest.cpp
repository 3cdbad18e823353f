#include "kivora/ui/ErrorBoxes.h"

#include "kivora/playback/MediaErrorReporter.h"
#include "kivora/recording/AtomScan.h"
#include "kivora/ui/UiTextQt.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

using namespace kivora;

namespace {

struct Shown {
    QString text;
    QString caption;
    bool onUiThread;
};

// The hooks as the main window installs them; the boxes are recorded instead of shown.
struct ErrorBoxesTest : ::testing::Test {
    ErrorBoxesTest()
    {
        ui::setErrorBoxPresenter([this](const QString& text, const QString& caption) {
            shown.push_back({ text, caption, QThread::currentThread() == qApp->thread() });
        });
        playback::setErrorBoxHandler(&ui::postMediaErrorBox);
        playback::setInstallCodecText(std::string(ui::UiText(113)));
        recording::setMapErrorReporter(&ui::postMappingErrorBox);
    }
    ~ErrorBoxesTest() override
    {
        playback::setErrorBoxHandler(nullptr);
        recording::setMapErrorReporter(nullptr);
        ui::setErrorBoxPresenter(nullptr);
    }
    std::vector<Shown> shown;
};

} // namespace

TEST_F(ErrorBoxesTest, FailuresOfWorkerThreadsReachTheUserOnTheUiThread)
{
    std::thread worker([] {
        EXPECT_FALSE(playback::reportMediaResult(0x80040200u));
        EXPECT_FALSE(playback::reportMediaResult(0x80040200u)); // the same box is not stacked
        EXPECT_FALSE(playback::reportMediaResult(0x80070057u));
        ui::postMappingErrorBox("Cannot allocate memory");
    });
    worker.join();
    EXPECT_TRUE(shown.empty()); // nothing is shown from the worker itself
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, ui::uiQText(113));
    EXPECT_EQ(shown[0].caption, QStringLiteral("ERROR"));
    EXPECT_EQ(shown[1].text, QStringLiteral("E_INVALIDARG"));
    EXPECT_EQ(shown[2].caption, QStringLiteral("Error Message"));
    for (const auto& box : shown)
        EXPECT_TRUE(box.onUiThread);

    // Once a box was shown, the same failure shows again.
    playback::reportMediaResult(0x80040200u);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.size(), 4u);
}
