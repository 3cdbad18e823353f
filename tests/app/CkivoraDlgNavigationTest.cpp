// The main window's commands, keys, worker state, rear camera view and the walk between
// recordings and folders, over a generated card of three days (two recordings each: continuous,
// continuous; shock, shock; continuous, continuous). The browser panel shows each day as a group
// of the movie folder, so the three days are three sibling folders.
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandIds.h"
#include "kivora/app/Toolbar.h"
#include "kivora/browse/BrowseMessages.h"
#include "kivora/platform/PostMessage.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "tests/app/WindowCard.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <fstream>

using namespace kivora;
using playback::EngineState;
namespace fs = std::filesystem;

namespace {

struct DaysCard {
    TempFolder folder;
    fs::path root;
    std::vector<democard::WrittenRecording> written;
    std::string error;
};

DaysCard* days = nullptr;

class CkivoraDlgNavigation : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        days = new DaysCard;
        days->root = days->folder / "card";
        // Two seconds or less play only as time-lapse.
        democard::CardOptions o = kivora::app::test::windowCardOptions(days->root, 6, 3.0);
        o.days = 3;
        o.tiny = true;
        using T = democard::Trigger;
        o.triggers = { T::Continuous, T::Continuous, T::Shock, T::Shock, T::Continuous, T::Continuous };
        auto made = democard::writeCard(o);
        if (made)
            days->written = made.value->recordings;
        else
            days->error = made.error;
    }
    static void TearDownTestSuite()
    {
        delete days;
        days = nullptr;
    }

    void SetUp() override
    {
        ASSERT_EQ(days->error, "");
        previous = fs::current_path();
        fs::current_path(work.path());
        // A box that shows would wait for a click: count and close every one.
        boxCloser.setInterval(50);
        QObject::connect(&boxCloser, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++boxes;
                modal->close();
            }
        });
        boxCloser.start();
    }
    void TearDown() override { fs::current_path(previous); }

    bool waitLoaded(app::CkivoraDlg& dlg, int timeoutMs = 30000)
    {
        const bool ok = processEventsUntil(
            [&] { return dlg.openSequence().opened() && dlg.clockRunning(); }, timeoutMs);
        if (ok && groups.empty())
            for (browse::FolderNode* f = dlg.browser().selectedFolder(); f; f = dlg.browser().folderAfter(f))
                groups.push_back(f);
        if (!ok)
            ADD_FAILURE() << "folders " << groups.size() << " rows " << dlg.browser().Count() << " selected "
                          << dlg.openSequence().selectedIndex() << " opened " << dlg.openSequence().opened()
                          << " boxes " << boxes;
        return ok;
    }
    static bool playing(app::CkivoraDlg& dlg)
    {
        return dlg.mainEngine().engineState() == EngineState::Playing;
    }
    // The folders from the first one selected at start, in tree order.
    browse::FolderNode* folder(int i) const
    {
        return i < int(groups.size()) ? groups[std::size_t(i)] : nullptr;
    }

    std::vector<browse::FolderNode*> groups;

    TempFolder work;
    fs::path previous;
    QTimer boxCloser;
    int boxes = 0;
};

} // namespace

TEST_F(CkivoraDlgNavigation, TheEndOfAMovieGoesOnInTheListAtTheSameRate)
{
    app::CkivoraDlg dlg(days->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_EQ(int(groups.size()), 3);
    ASSERT_EQ(dlg.browser().Count(), 2);
    ASSERT_TRUE(dlg.runCommand(app::kCmdPlayPause));
    ASSERT_TRUE(processEventsUntil([&] { return playing(dlg); }, 5000));
    ASSERT_TRUE(dlg.runCommand(app::kCmdFaster));
    EXPECT_EQ(dlg.mainEngine().rate(), 2);
    ASSERT_TRUE(processEventsUntil(
        [&] { return dlg.openSequence().openedIndex() == 1 && dlg.openSequence().opened() && playing(dlg); },
        20000));
    EXPECT_EQ(dlg.mainEngine().rate(), 2) << "the next recording plays at the same rate";
    EXPECT_EQ(dlg.browser().selectedFolder(), folder(0));
    EXPECT_EQ(boxes, 0);
}

TEST_F(CkivoraDlgNavigation, TheLastRecordingOfAFolderEndsIntoTheNextFolderThatHasRecordings)
{
    app::CkivoraDlg dlg(days->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    // Shock recordings filtered out: the second day's folder lists nothing and is passed over.
    ASSERT_TRUE(dlg.runCommand(app::kCmdFilterFirst + 1));
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.selectRecording(1));
    ASSERT_TRUE(processEventsUntil([&] { return dlg.openSequence().openedIndex() == 1; }, 10000));
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.runCommand(app::kCmdPlayPause));
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return dlg.browser().selectedFolder() == folder(2) && dlg.openSequence().opened()
                && dlg.openSequence().selectedIndex() == 0 && playing(dlg);
        },
        20000));
    EXPECT_FALSE(dlg.openSequence().autoAdvance());
    EXPECT_EQ(boxes, 0);
}

TEST_F(CkivoraDlgNavigation, TheEndOfTheLastRecordingReopensItAtFrameZeroStoppedAtItsDefaultRate)
{
    app::CkivoraDlg dlg(days->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    dlg.browser().selectFolder(folder(2));
    ASSERT_TRUE(dlg.selectRecording(1));
    ASSERT_TRUE(processEventsUntil([&] { return dlg.openSequence().openedIndex() == 1; }, 10000));
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.runCommand(app::kCmdPlayPause));
    ASSERT_TRUE(processEventsUntil([&] { return playing(dlg); }, 5000));
    ASSERT_TRUE(dlg.runCommand(app::kCmdFaster));
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return dlg.openSequence().endHandled() && dlg.openSequence().opened() && dlg.clockRunning()
                && dlg.mainEngine().engineState() == EngineState::Stopped;
        },
        20000));
    EXPECT_EQ(dlg.openSequence().selectedIndex(), 1);
    EXPECT_EQ(dlg.browser().selectedFolder(), folder(2));
    EXPECT_EQ(dlg.shownFrameIndex(), 0);
    EXPECT_EQ(dlg.mainEngine().rate(), 1);
    EXPECT_FALSE(dlg.playFaceIsPause());

    // A second end report changes nothing.
    dlg.onSurfaceMovieEnded();
    processEventsUntil([] { return false; }, 700);
    EXPECT_EQ(dlg.openSequence().selectedIndex(), 1);
    EXPECT_EQ(dlg.mainEngine().engineState(), EngineState::Stopped);
    EXPECT_EQ(boxes, 0);
}

TEST_F(CkivoraDlgNavigation, AnOpenThatFailsWhileAdvancingIsSkippedWithoutAMessage)
{
    // A copy of the card whose first day's second movie holds no movie at all.
    const fs::path copy = work.path() / "copy";
    fs::copy(days->root, copy, fs::copy_options::recursive);
    const fs::path broken = copy / fs::relative(days->written[1].main.path, days->root);
    ASSERT_TRUE(fs::exists(broken));
    std::ofstream(broken, std::ios::binary | std::ios::trunc) << std::string(4096, '\0');

    app::CkivoraDlg dlg(copy);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.runCommand(app::kCmdPlayPause));
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return dlg.browser().selectedFolder() == folder(1) && dlg.openSequence().opened() && playing(dlg);
        },
        20000))
        << "folder1 " << (dlg.browser().selectedFolder() == folder(1)) << " folder0 "
        << (dlg.browser().selectedFolder() == folder(0)) << " sel " << dlg.openSequence().selectedIndex()
        << " opened " << dlg.openSequence().opened() << " ready " << dlg.openSequence().ready() << " auto "
        << dlg.openSequence().autoAdvance() << " boxes " << boxes << " state "
        << int(dlg.mainEngine().engineState());
    EXPECT_EQ(boxes, 0) << "a skipped recording shows no message";
}

TEST_F(CkivoraDlgNavigation, SpaceRightAndPageDownWorkThroughKeys)
{
    app::CkivoraDlg dlg(days->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    QTest::keyClick(&dlg, Qt::Key_Space);
    ASSERT_TRUE(processEventsUntil([&] { return playing(dlg) && dlg.shownFrameIndex() > 10; }, 5000));
    QTest::keyClick(&dlg, Qt::Key_Space);
    ASSERT_TRUE(
        processEventsUntil([&] { return dlg.mainEngine().engineState() == EngineState::Paused; }, 5000));
    processEventsUntil([] { return false; }, 200);
    const std::int64_t before = dlg.shownFrameIndex();
    QTest::keyClick(&dlg, Qt::Key_Right);
    EXPECT_EQ(dlg.shownFrameIndex(), before + 1);
    ASSERT_TRUE(processEventsUntil([&] { return dlg.mainEngine().GetPosition() == before + 1; }, 5000))
        << "the engine went one frame on, exactly";
    QTest::keyClick(&dlg, Qt::Key_Left);
    EXPECT_EQ(dlg.shownFrameIndex(), before);
    // Enter and Escape leave the window open.
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(&dlg, Qt::Key_PageDown);
    ASSERT_TRUE(processEventsUntil([&] { return dlg.openSequence().openedIndex() == 1; }, 10000));
    // The recording list would take PageUp and Space for itself: with the focus in it, they are
    // still the window's.
    auto* list = dlg.browser().widget()->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_PageUp);
    ASSERT_TRUE(processEventsUntil([&] { return dlg.openSequence().openedIndex() == 0; }, 10000));
    ASSERT_TRUE(processEventsUntil([&] { return dlg.openSequence().opened(); }, 10000));
    const bool wasPlaying = playing(dlg);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(processEventsUntil([&] { return playing(dlg) != wasPlaying; }, 5000));
}

TEST_F(CkivoraDlgNavigation, ARunningWorkerDisablesEveryControlAndEveryWayIn)
{
    app::CkivoraDlg dlg(days->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    std::atomic<bool> release { false };
    int epilogueResult = -1;
    ASSERT_TRUE(dlg.workerHost().startWorker(
        [&](exporting::WorkerContext& context) {
            context.progress(1, 4);
            while (!release && !context.cancelled())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return 7;
        },
        [&](int result) { epilogueResult = result; }));
    EXPECT_FALSE(dlg.workerHost().startWorker([](exporting::WorkerContext&) { return 0; }, {}))
        << "one worker at a time";
    processEventsUntil([] { return false; }, 100);
    EXPECT_TRUE(dlg.progressBar()->isVisible());
    for (int id = app::kCmdTop; id < app::kCmdTop + app::kToolbarButtons; ++id)
        EXPECT_FALSE(dlg.commandEnabled(id)) << id;
    for (int id : { app::kCmdClose, app::kCmdAspect, app::kCmdRearView, app::kCmdFilterFirst })
        EXPECT_FALSE(dlg.runCommand(id)) << id;
    EXPECT_TRUE(dlg.popupMenuItems().empty());
    EXPECT_FALSE(dlg.seekToFrame(10));
    QTest::keyClick(&dlg, Qt::Key_Space);
    EXPECT_NE(dlg.mainEngine().engineState(), EngineState::Playing);
    EXPECT_FALSE(dlg.mainSurface()->isEnabled());

    release = true;
    ASSERT_TRUE(processEventsUntil([&] { return !dlg.workerHost().workerRunning(); }, 5000));
    EXPECT_EQ(epilogueResult, 7);
    EXPECT_FALSE(dlg.progressBar()->isVisible());
    EXPECT_TRUE(dlg.mainSurface()->isEnabled());
    ASSERT_TRUE(waitLoaded(dlg)) << "the recording opens again";
    EXPECT_TRUE(dlg.commandEnabled(app::kCmdPlayPause));
    EXPECT_EQ(boxes, 0) << "no completion box unless the job asked for one";
}

TEST_F(CkivoraDlgNavigation, TheRearCameraShowsInTheCornerAndSwapsOnAClick)
{
    app::CkivoraDlg dlg(days->root);
    dlg.resize(1120, 697);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    EXPECT_FALSE(dlg.subSurface()->isVisible()) << "off by default";
    ASSERT_TRUE(dlg.runCommand(app::kCmdRearView));
    const QRect video = dlg.mainSurface()->geometry();
    const QRect pip = dlg.subSurface()->geometry();
    EXPECT_TRUE(dlg.subSurface()->isVisible());
    EXPECT_TRUE(video.contains(pip));
    EXPECT_NEAR(pip.width(), video.width() / 4, 1);
    EXPECT_NEAR(pip.height(), pip.width() * 180 / 320, 1) << "the sub camera's own shape";
    EXPECT_GT(pip.center().x(), video.center().x());
    EXPECT_GT(pip.center().y(), video.center().y());

    dlg.onSurfaceSingleClick(1, QPoint(5, 5));
    EXPECT_EQ(dlg.rearView(), 2);
    EXPECT_EQ(dlg.subSurface()->geometry(), video);
    EXPECT_LT(dlg.mainSurface()->width(), video.width() / 2);

    // Remembered for the next start.
    std::ifstream ini(work.path() / "Default_Folder.ini");
    const std::string text((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_NE(text.find("REAR=swap"), std::string::npos) << text;
    ASSERT_TRUE(dlg.runCommand(app::kCmdRearView));
    EXPECT_FALSE(dlg.subSurface()->isVisible());
    EXPECT_EQ(dlg.mainSurface()->geometry(), video);
}

TEST_F(CkivoraDlgNavigation, AVanishedSourceThatIsNotTheProgramsMediumClosesAndEmptiesTheList)
{
    app::CkivoraDlg dlg(days->root);
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.runCommand(app::kCmdZoom));
    ASSERT_TRUE(dlg.zoomMode());
    ASSERT_TRUE(platform::postMessage(&dlg, browse::kMsgSourceRemoved));
    ASSERT_TRUE(processEventsUntil([&] { return dlg.browser().Count() == 0; }, 5000));
    processEventsUntil([] { return false; }, 200);
    EXPECT_TRUE(dlg.isVisible()) << "the program runs from elsewhere: it stays";
    EXPECT_FALSE(dlg.openSequence().opened());
    EXPECT_FALSE(dlg.zoomMode());
    EXPECT_EQ(dlg.mainEngine().engineState(), EngineState::Closed);
    for (int id = app::kCmdTop; id < app::kCmdTop + app::kToolbarButtons; ++id)
        EXPECT_EQ(dlg.commandEnabled(id), id == app::kCmdBrowse) << id;
    EXPECT_TRUE(dlg.popupMenuItems().empty()) << "no menu while nothing is open";
}
