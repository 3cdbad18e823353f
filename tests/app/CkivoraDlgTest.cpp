// The main window over a generated card: it opens a recording, plays it, shows in its panel what
// the data file holds for the frame shown, moves between shock events, and opens and closes
// recordings repeatedly without leaving a thread behind.
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CommandIds.h"
#include "kivora/app/MainLayout.h"
#include "kivora/browse/BrowseMessages.h"
#include "kivora/platform/PostMessage.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryReader.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"
#include "tests/app/WindowCard.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"
#include "tools/democard/FrameCode.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>

#include <cstdlib>
#include <memory>

using namespace kivora;
using playback::EngineState;
namespace fs = std::filesystem;

namespace {

// Three recordings of 4 s: continuous, shock, continuous.
struct Card {
    TempFolder folder;
    fs::path root;
    std::vector<democard::WrittenRecording> written;
    std::string error;
};

Card* card = nullptr;

class HubWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        card = new Card;
        card->root = card->folder / "card";
        democard::CardOptions o = kivora::app::test::windowCardOptions(card->root, 3, 4.0);
        o.triggers
            = { democard::Trigger::Continuous, democard::Trigger::Shock, democard::Trigger::Continuous };
        auto made = democard::writeCard(o);
        if (made)
            card->written = made.value->recordings;
        else
            card->error = made.error;
    }
    static void TearDownTestSuite()
    {
        delete card;
        card = nullptr;
    }

    void SetUp() override
    {
        ASSERT_EQ(card->error, "");
        ASSERT_EQ(card->written.size(), 3u);
        // The window keeps its settings file in the working folder: give it a fresh one.
        previous = fs::current_path();
        fs::current_path(work.path());
    }
    void TearDown() override { fs::current_path(previous); }

    // Waits until the selected recording is opened with its telemetry and the clock runs.
    static bool waitLoaded(app::CkivoraDlg& dlg, int timeoutMs = 30000)
    {
        return processEventsUntil(
            [&] { return dlg.openSequence().opened() && dlg.clockRunning(); }, timeoutMs);
    }

    static void settle(int ms)
    {
        processEventsUntil([] { return false; }, ms);
    }

    TempFolder work;
    fs::path previous;
};

// The selected recording's data file decoded on its own, indexed for the open movie.
std::unique_ptr<recording::TelemetryReader> referenceReader(app::CkivoraDlg& dlg)
{
    auto reader = std::make_unique<recording::TelemetryReader>();
    const fs::path movie = dlg.browser().Entry(dlg.openSequence().selectedIndex())->path;
    if (!recording::Load(*reader, recording::DataPath(movie))
        || !recording::BuildFrameIndex(
            *reader, dlg.mainEngine().GetDuration(), dlg.mainEngine().GetFramePeriod()))
        reader.reset();
    return reader;
}

// A left-button mouse event on a widget at x (vertically centred), sent at once.
void mouseAt(QWidget& widget, QEvent::Type type, int x)
{
    const QPointF local(x, widget.height() / 2);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, widget.mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

bool allBlack(const QImage& image, QRect region)
{
    const QImage part = image.copy(region).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            if ((part.pixel(x, y) & 0xffffff) != 0)
                return false;
    return true;
}

} // namespace

TEST_F(HubWindow, PlaysAndShowsTheDataFilesValuesForTheFrameShown)
{
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg)) << "the first recording opens, becomes ready and loads";
    EXPECT_EQ(dlg.browser().Count(), 3);
    EXPECT_EQ(dlg.shownFrameIndex(), 0);
    EXPECT_EQ(dlg.positionSlider()->maximum(), dlg.mainEngine().GetDuration());
    EXPECT_EQ(dlg.separateWindow()->windowTitle(), ui::uiQText(app::kSlotMapTitle));

    ASSERT_TRUE(dlg.play());
    // Past frame 60 the generated drive has its GPS fix, so the panel shows a speed.
    ASSERT_TRUE(processEventsUntil([&] { return dlg.shownFrameIndex() > 60; }, 20000))
        << "the clock follows playback";
    dlg.pause();
    settle(100);
    ASSERT_EQ(dlg.mainEngine().engineState(), EngineState::Paused);
    const std::int64_t g = dlg.shownFrameIndex();
    EXPECT_EQ(dlg.positionSlider()->pos(), g);
    EXPECT_EQ(dlg.graph()->currentStep(), g);

    // What a panel shows for frame g, fed from the data file decoded independently.
    auto reader = referenceReader(dlg);
    ASSERT_TRUE(reader);
    const recording::TelemetrySample sample = reader->sampleAtFrame(g);
    ASSERT_TRUE(sample.motion && sample.gps);
    views::CInfoDlg expected;
    expected.setStartTime(recording::NameDateTime(dlg.browser().Entry(0)->path));
    expected.setMsPerFrame(dlg.mainEngine().GetFramePeriod());
    expected.setPosition(std::int32_t(g));
    expected.setAcceleration(sample.motion->accelX, sample.motion->accelY, sample.motion->accelZ);
    expected.setGpsValid(sample.gps->valid == 1);
    expected.setSpeed(sample.gps->valid == 1 ? sample.gps->speed : -1.0);
    expected.setVoltageTenths(sample.motion->code48);
    const views::CInfoDlg& shown = *dlg.infoPanel();
    EXPECT_FALSE(shown.accelerationText(0).isEmpty());
    EXPECT_FALSE(shown.speedOrVoltageText().isEmpty()) << "frame " << g;
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_EQ(shown.accelerationText(axis), expected.accelerationText(axis))
            << "axis " << axis << " frame " << g;
    EXPECT_EQ(shown.speedOrVoltageText(), expected.speedOrVoltageText()) << "frame " << g;
    EXPECT_EQ(shown.dateText(), expected.dateText()) << "frame " << g;
    EXPECT_EQ(dlg.browser().Entry(0)->qualityCode, 1) << "360 lines, quality H";

    // The window as a user sees it: video, graph and panel are drawn.
    // The picture on the surface is that same frame: the generator stamps its number into it.
    const QImage picture = dlg.mainSurface()->frame().picture.image().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(democard::readFrameCode(
                  picture.constBits(), picture.width(), picture.height(), int(picture.bytesPerLine())),
        g);

    const QImage shot = dlg.grab().toImage();
    ASSERT_TRUE(shot.save(QString::fromStdString((work / "hub-window.png").string())));
    if (const char* keep = std::getenv("KIVORA_SCREENSHOT_DIR"))
        shot.save(QString::fromStdString((fs::path(keep) / "hub-window.png").string()));
    EXPECT_FALSE(allBlack(shot, dlg.mainSurface()->geometry())) << "video";
    EXPECT_FALSE(allBlack(shot, dlg.graph()->geometry())) << "graph";
    EXPECT_FALSE(allBlack(shot, dlg.infoPanel()->geometry())) << "panel";
}

TEST_F(HubWindow, SeeksHoldTheViewsUntilTheEngineArrivesAndStayOutOfTheEnd)
{
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    const std::int64_t duration = dlg.mainEngine().GetDuration();
    dlg.seekTo(duration); // stopped: the engine goes 20 frames before the end
    settle(200);
    EXPECT_EQ(dlg.shownFrameIndex(), duration - 1) << "the slider shows the request";
    EXPECT_EQ(dlg.mainEngine().GetPosition(), duration - 20);
    dlg.seekTo(40);
    settle(200);
    EXPECT_EQ(dlg.mainEngine().GetPosition(), 40);
    EXPECT_EQ(dlg.shownFrameIndex(), 40);
}

TEST_F(HubWindow, PreviousAndNextEventMoveBetweenTheShockRecordingsEvents)
{
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.selectRecording(1));
    ASSERT_TRUE(processEventsUntil([&] { return dlg.openSequence().openedIndex() == 1; }, 10000));
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_EQ(recording::TriggerCategory(dlg.browser().Entry(1)->path), recording::TriggerKind::Shock);

    std::vector<std::int64_t> steps;
    for (const views::EventEntry& e : dlg.eventList())
        if (dlg.graph()->channels().graphVisible[std::size_t(e.channel)])
            steps.push_back(e.step);
    ASSERT_FALSE(steps.empty()) << "a shock recording has events";

    // From the first frame: the first event after it (or, when none, the movie's first).
    std::int64_t expected = steps.front();
    for (std::int64_t s : steps)
        if (s > 0) {
            expected = s;
            break;
        }
    dlg.nextEvent();
    EXPECT_EQ(dlg.shownFrameIndex(), expected);
    EXPECT_EQ(dlg.graph()->currentStep(), expected);
    settle(200);
    const std::int64_t duration = dlg.mainEngine().GetDuration();
    EXPECT_EQ(dlg.mainEngine().GetPosition(), std::min(expected, duration - 20))
        << "the engine went there too";

    // Back: the last event before it, or the movie's last event.
    std::int64_t before = steps.back();
    for (std::int64_t s : steps)
        if (s < expected)
            before = s;
    dlg.previousEvent();
    EXPECT_EQ(dlg.shownFrameIndex(), before);
}

TEST_F(HubWindow, OpenPlayCloseTwentyTimesLeavesNoThread)
{
    app::CkivoraDlg dlg;
    dlg.show();
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(dlg.openSource(card->root)) << round;
        ASSERT_TRUE(waitLoaded(dlg)) << round;
        ASSERT_TRUE(dlg.play()) << round;
        ASSERT_TRUE(processEventsUntil([&] { return dlg.shownFrameIndex() > 2; }, 10000)) << round;
        dlg.closeRecording();
        EXPECT_TRUE(dlg.loadersIdle()) << round;
        EXPECT_FALSE(dlg.clockRunning()) << round;
        EXPECT_EQ(dlg.mainEngine().engineState(), EngineState::Closed) << round;
    }
}

TEST_F(HubWindow, ARecordingPlayedToItsEndGoesOnWithTheNext)
{
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.play());
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return dlg.openSequence().openedIndex() == 1
                && dlg.mainEngine().engineState() == EngineState::Playing;
        },
        30000));
    EXPECT_TRUE(dlg.openSequence().opened());
}

TEST_F(HubWindow, TheProgramStartedOnACardPlaysItsFirstRecording)
{
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(work.path().string()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KIVORA_AUTOPLAY", "1");
    env.insert("KIVORA_AUTOQUIT_MS", "3000");
    if (env.contains("DISPLAY"))
        env.remove("QT_QPA_PLATFORM");
    else
        env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(KIVORA_APP_PATH, { QString::fromStdString(card->root.string()) });
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    const QStringList lines
        = QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString()
                               << program.readAllStandardError().toStdString();
    EXPECT_EQ(lines[0], "kivora: shown \"Ondrasil\"");
    const QString first = QString::fromStdString(card->written[0].name);
    ASSERT_TRUE(lines[1].startsWith("kivora: frame ") && lines[1].endsWith(" of \"" + first + "\""))
        << lines[1].toStdString();
    EXPECT_GT(lines[1].section(' ', 2, 2).toInt(), 15) << "it played, not just opened";
}

TEST_F(HubWindow, ZoomClicksStepTheMainCameraOnlyInZoomModeAndLeavingResetsIt)
{
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    const QPoint centre = dlg.mainSurface()->rect().center();
    dlg.onSurfaceSingleClick(0, centre);
    EXPECT_EQ(dlg.zoomStates()[0].factor, 1.0f) << "no zoom outside zoom mode";
    dlg.setZoomMode(true);
    dlg.onSurfaceSingleClick(0, centre);
    EXPECT_EQ(dlg.zoomStates()[0].factor, 2.0f);
    EXPECT_EQ(dlg.mainEngine().zoom(), 2.0f) << "applied to the engine";
    dlg.onSurfaceSingleClick(0, centre);
    EXPECT_EQ(dlg.zoomStates()[0].factor, 3.0f);
    dlg.setZoomMode(false);
    EXPECT_EQ(dlg.zoomStates()[0].factor, 1.0f);
    EXPECT_EQ(dlg.mainEngine().zoom(), 1.0f);
}

TEST_F(HubWindow, ASingleMovieWithoutDataPlaysWithEmptyViews)
{
    // The list shows only movies named the recorder's way; this one has no data file beside it.
    const fs::path clip = work.path() / card->written[0].main.path.filename();
    fs::copy_file(card->root / card->written[0].main.path, clip);
    app::CkivoraDlg dlg(clip);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    EXPECT_EQ(dlg.browser().sourceKind().value_or(recording::SourceKind::Folder),
        recording::SourceKind::SingleFiles);
    ASSERT_TRUE(dlg.play());
    ASSERT_TRUE(processEventsUntil([&] { return dlg.shownFrameIndex() > 10; }, 20000));
    EXPECT_TRUE(dlg.infoPanel()->accelerationText(0).isEmpty()) << "no telemetry: the no-data placeholder";
    EXPECT_TRUE(dlg.eventList().empty());
}

TEST_F(HubWindow, SliderJumpsSeekAtOnceAndDragsMoveOnlyTheViewsUntilReleased)
{
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ui::CSkinSliderCtrl& slider = *dlg.positionSlider();
    const std::int64_t duration = dlg.mainEngine().GetDuration();

    // A press away from the thumb jumps there at once; the paused state is kept.
    const int jumpX = slider.width() / 2;
    const int jumpValue = slider.valueAt(jumpX);
    ASSERT_GT(jumpValue, 0);
    mouseAt(slider, QEvent::MouseButtonPress, jumpX);
    settle(300);
    EXPECT_TRUE(slider.pressedOutsideThumb());
    EXPECT_EQ(dlg.shownFrameIndex(), jumpValue);
    EXPECT_EQ(dlg.mainEngine().GetPosition(), std::min<std::int64_t>(jumpValue, duration - 20));
    mouseAt(slider, QEvent::MouseButtonRelease, jumpX);
    settle(100);

    // A drag of the thumb: the views follow the mouse, the engines only the release.
    const int thumbX = slider.thumbRect().center().x();
    const int dragX = slider.width() / 5;
    const int dragValue = slider.valueAt(dragX);
    mouseAt(slider, QEvent::MouseButtonPress, thumbX);
    mouseAt(slider, QEvent::MouseMove, dragX);
    settle(200);
    EXPECT_FALSE(slider.pressedOutsideThumb());
    EXPECT_EQ(dlg.shownFrameIndex(), dragValue);
    EXPECT_EQ(dlg.mainEngine().GetPosition(), std::min<std::int64_t>(jumpValue, duration - 20))
        << "not moved yet";
    mouseAt(slider, QEvent::MouseButtonRelease, dragX);
    settle(300);
    EXPECT_EQ(dlg.mainEngine().GetPosition(), dragValue);
    EXPECT_EQ(dlg.shownFrameIndex(), dragValue);
    EXPECT_EQ(dlg.mainEngine().volumeLevel(), dlg.volume()) << "the volume is back after the seek";
}

TEST_F(HubWindow, TheWindowDrawsItsOwnFrameWithTheCaptionButtonsInTheirPlaces)
{
    app::CkivoraDlg dlg;
    dlg.show();
    ASSERT_TRUE(processEventsUntil([&] { return dlg.isInitialised(); }, 5000));
    EXPECT_TRUE(dlg.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(dlg.size(), app::scaledWindowSize(dlg.uiScale(), 1.0, 1.0));
    const std::optional<app::MainLayout> layout = app::MainLayout::compute(dlg.size(), dlg.uiScale());
    ASSERT_TRUE(layout);
    const std::array<int, 3> strips { 155, 157, 156 }; // close, maximise, minimise
    for (int i = 0; i < 3; ++i) {
        const ui::CSkinButton* button = dlg.captionButton(i);
        EXPECT_EQ(button->geometry(), layout->captionButtons[std::size_t(i)]) << i;
        EXPECT_TRUE(button->isVisible()) << i;
        EXPECT_EQ(button->imageId(), strips[std::size_t(i)]) << i;
        EXPECT_TRUE(button->hasImage()) << i;
    }
    EXPECT_EQ(dlg.captionButton(0)->controlId(), app::kCmdClose);

    // The maximise button fills the work area and, pressed again, gives the window back its size.
    // The information panel spreads its items wider while maximised.
    const auto lastPanelButtonX = [&] {
        int x = 0;
        for (const QAbstractButton* button : dlg.infoPanel()->findChildren<QAbstractButton*>())
            x = std::max(x, button->x());
        return x;
    };
    const int panelButtonX = lastPanelButtonX();
    const QRect normal = dlg.geometry();
    QTest::mouseClick(dlg.captionButton(1), Qt::LeftButton);
    EXPECT_GT(lastPanelButtonX(), panelButtonX);
    EXPECT_TRUE(dlg.chrome()->isMaximised());
    EXPECT_EQ(dlg.captionButton(1)->toolTip(), ui::uiQText(170, dlg.languageIndex())) << "shrink";
    const QRect work = dlg.screen()->availableGeometry();
    // A monitor narrower than the design width leaves the window at its minimum width.
    EXPECT_EQ(dlg.geometry(), QRect(work.topLeft(), work.size().expandedTo(dlg.minimumSize())));
    EXPECT_EQ(dlg.captionButton(0)->geometry(),
        app::MainLayout::compute(dlg.size(), dlg.uiScale())->captionButtons[0])
        << "laid out again for the new size";
    QTest::mouseClick(dlg.captionButton(1), Qt::LeftButton);
    EXPECT_FALSE(dlg.chrome()->isMaximised());
    EXPECT_EQ(dlg.geometry(), normal);
    EXPECT_EQ(dlg.captionButton(1)->toolTip(), ui::uiQText(169, dlg.languageIndex())) << "enlarge";
    EXPECT_EQ(lastPanelButtonX(), panelButtonX);

    // The skin frame is painted around the children: the caption strip is not the bare background.
    const QImage shot = dlg.grab().toImage();
    const QColor background = dlg.palette().color(QPalette::Window);
    int framed = 0;
    for (int x = dlg.width() / 2; x < dlg.width() / 2 + 40; ++x)
        framed += shot.pixelColor(x, app::scaled(12, dlg.uiScale())) != background;
    EXPECT_GT(framed, 0) << "caption strip";
}

TEST_F(HubWindow, TheCloseButtonShutsDownAndStoresTheWindowFactors)
{
    app::AppSettings(work.path()).setScale(1.5, 1.25);
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    EXPECT_EQ(dlg.size(), app::scaledWindowSize(dlg.uiScale(), 1.5, 1.25)) << "opens at the stored factors";
    ASSERT_TRUE(dlg.play());
    ASSERT_TRUE(processEventsUntil([&] { return dlg.shownFrameIndex() > 2; }, 10000));
    // Shutdown writes the factors again, whatever the file says by then.
    ASSERT_TRUE(dlg.settings().write("DISPLAY", "SCALEX", "2.0"));

    QTest::mouseClick(dlg.captionButton(0), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.loadersIdle());
    EXPECT_FALSE(dlg.clockRunning());
    EXPECT_EQ(dlg.mainEngine().isInitialised(), false) << "engines released";
    EXPECT_EQ(dlg.settings().read("DISPLAY", "SCALEX"), "1.500000");
    EXPECT_EQ(dlg.settings().read("DISPLAY", "SCALEY"), "1.250000");
}

TEST_F(HubWindow, ADoubleClickOnTheVideoTogglesFullScreenAndLeavingKeepsTheAspect)
{
    app::AppSettings(work.path()).setKeepAspect(false);
    app::CkivoraDlg dlg;
    dlg.show();
    ASSERT_TRUE(processEventsUntil([&] { return dlg.isInitialised(); }, 5000));
    playback::CMovieStatic& video = *dlg.mainSurface();
    const auto doubleClick = [&] {
        QTest::mouseDClick(&video, Qt::LeftButton, {}, video.rect().center());
        settle(50);
    };
    doubleClick();
    EXPECT_FALSE(dlg.isFullScreenView()) << "nothing opened";

    ASSERT_TRUE(dlg.openSource(card->root));
    ASSERT_TRUE(waitLoaded(dlg));
    dlg.setZoomMode(true);
    doubleClick();
    EXPECT_FALSE(dlg.isFullScreenView()) << "in zoom mode clicks zoom";
    dlg.setZoomMode(false);
    const std::int64_t duration = dlg.mainEngine().GetDuration();
    dlg.mainEngine().SeekAndHold(duration - 5);
    ASSERT_TRUE(processEventsUntil([&] { return dlg.mainEngine().GetPosition() == duration - 5; }, 5000));
    doubleClick();
    EXPECT_FALSE(dlg.isFullScreenView()) << "too close to the end";
    dlg.seekTo(0);
    ASSERT_TRUE(processEventsUntil([&] { return dlg.mainEngine().GetPosition() == 0; }, 5000));

    const QRect windowed = video.geometry();
    doubleClick();
    ASSERT_TRUE(dlg.isFullScreenView());
    EXPECT_EQ(video.geometry(), dlg.rect()) << "the video covers the window";
    EXPECT_EQ(dlg.geometry(), dlg.screen()->geometry()) << "the window covers the monitor";
    for (const QWidget* hidden : std::initializer_list<const QWidget*> {
             dlg.graph(), dlg.infoPanel(), dlg.positionSlider(), dlg.volumeSlider(), dlg.captionButton(0) })
        EXPECT_FALSE(hidden->isVisible());
    EXPECT_FALSE(dlg.settings().keepAspect());

    doubleClick();
    EXPECT_FALSE(dlg.isFullScreenView());
    EXPECT_EQ(video.geometry(), windowed);
    for (const QWidget* shown : std::initializer_list<const QWidget*> {
             dlg.graph(), dlg.infoPanel(), dlg.positionSlider(), dlg.volumeSlider(), dlg.captionButton(0) })
        EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(dlg.keepAspect());
    EXPECT_EQ(dlg.settings().read("DISPLAY", "ASPECT"), "on");
    EXPECT_EQ(dlg.mainEngine().aspect(), 1);
    EXPECT_EQ(dlg.subEngine().aspect(), 1);

    // A card that goes away takes the window out of full screen: nothing would be left to leave by.
    doubleClick();
    ASSERT_TRUE(dlg.isFullScreenView());
    platform::postMessage(dlg.messageTarget(), browse::kMsgSourceRemoved);
    ASSERT_TRUE(processEventsUntil([&] { return !dlg.isFullScreenView(); }, 5000));
    EXPECT_EQ(video.geometry(), windowed);
    EXPECT_TRUE(dlg.captionButton(0)->isVisible());
}

TEST_F(HubWindow, ALowerWorkAreaRescalesTheWholeWindow)
{
    app::CkivoraDlg dlg;
    dlg.show();
    ASSERT_TRUE(processEventsUntil([&] { return dlg.isInitialised(); }, 5000));
    // A wide monitor, so that only the height binds.
    const QRect screen(dlg.screen()->geometry().topLeft(), QSize(1920, 1080));
    dlg.chrome()->setMonitorSource([screen] {
        return std::vector<app::MainWindowChrome::Monitor> { { screen,
            QRect(screen.topLeft(), QSize(screen.width(), 500)), 96.0 } };
    });
    dlg.chrome()->adaptToMonitor();
    const double s = dlg.uiScale();
    EXPECT_NEAR(s, 500.0 / 697.0, 1e-9);
    EXPECT_EQ(dlg.size(), app::scaledWindowSize(s, 1.0, 1.0));
    const std::optional<app::MainLayout> layout = app::MainLayout::compute(dlg.size(), s);
    ASSERT_TRUE(layout);
    EXPECT_EQ(dlg.mainSurface()->geometry(), layout->video);
    EXPECT_EQ(dlg.graph()->geometry(), layout->graph);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dlg.captionButton(i)->geometry(), layout->captionButtons[std::size_t(i)]) << i;
        EXPECT_EQ(dlg.captionButton(i)->frameSize(), layout->captionButtons[std::size_t(i)].size()) << i;
        EXPECT_EQ(dlg.captionButton(i)->skinStyle().uiScale, s) << i;
    }
    EXPECT_EQ(dlg.positionSlider()->geometry(), layout->positionSlider);
}

TEST_F(HubWindow, TheViewsShowTheTelemetryOfThePictureOnScreen)
{
    app::CkivoraDlg dlg(card->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.play());
    ASSERT_TRUE(processEventsUntil([&] { return dlg.shownFrameIndex() > 5; }, 10000));
    // Many moments of x1 playback: the frame whose values the views were handed and the frame
    // the surface shows, read between two events of the UI thread.
    int compared = 0;
    int apart = 0;
    std::int64_t worst = 0;
    for (int i = 0; i < 60 && dlg.mainEngine().engineState() == EngineState::Playing; ++i) {
        processEventsUntil([] { return false; }, 23);
        const QImage picture
            = dlg.mainSurface()->frame().picture.image().convertToFormat(QImage::Format_RGB888);
        const int code = democard::readFrameCode(
            picture.constBits(), picture.width(), picture.height(), int(picture.bytesPerLine()));
        const std::int64_t fed = dlg.fedFrame();
        if (code < 0 || fed < 0 || dlg.openSequence().openedIndex() != 0)
            continue;
        ++compared;
        const std::int64_t d = std::abs(fed - code);
        worst = std::max(worst, d);
        if (d > 0)
            ++apart;
    }
    EXPECT_GT(compared, 30);
    EXPECT_LE(worst, 1) << apart << " of " << compared << " moments were apart";
}
