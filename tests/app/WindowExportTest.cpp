// The window's real file commands over a generated card: two recordings joined into a folder
// (read back by ffmpeg, sources untouched), a still whose EXIF matches the frame's telemetry, and
// a recording cut at power loss repaired from the open failure's offer and played.
#include "kivora/app/WindowExport.h"
#include "kivora/app/BrowserWiring.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandIds.h"
#include "kivora/browse/DriveList.h"
#include "kivora/export/EngineStills.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/UiText.h"
#include "tests/app/WindowCard.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"
#include "tools/democard/FrameCode.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <map>

using namespace kivora;
namespace fs = std::filesystem;

namespace {

// Answers the window's questions in the user's place: every folder chooser gives `folder`,
// every box OK.
class ScriptedDialogs final : public app::ExportDialogs {
public:
    explicit ScriptedDialogs(fs::path folder)
        : m_folder(std::move(folder))
    {
    }
    fs::path chooseFolder(const fs::path&, const QString&) override { return m_folder; }
    int messageBox(const QString& text, const QString&, int) override
    {
        texts->push_back(text.toStdString());
        return 1;
    }
    std::shared_ptr<std::vector<std::string>> texts = std::make_shared<std::vector<std::string>>();

private:
    fs::path m_folder;
};

// Ticks the first `count` recordings offered.
class FirstChooser final : public exporting::IRecordingChooser {
public:
    explicit FirstChooser(std::size_t count)
        : m_count(count)
    {
    }
    std::optional<std::vector<recording::RecordingEntry>> choose(exporting::SelectMode,
        const std::vector<recording::RecordingEntry>& offered,
        const std::vector<recording::RecordingEntry>&) override
    {
        return std::vector<recording::RecordingEntry>(
            offered.begin(), offered.begin() + std::ptrdiff_t(std::min(m_count, offered.size())));
    }

private:
    std::size_t m_count;
};

// The drives the window is offered at start: the generated card stands for an inserted one.
class CardDrive final : public browse::IDriveList {
public:
    explicit CardDrive(fs::path root)
        : m_root(std::move(root))
    {
    }
    std::vector<fs::path> removableDrives() const override { return { m_root }; }

private:
    fs::path m_root;
};

// Offers the card as a removable drive to the windows made while it lives.
struct CardInserted {
    explicit CardInserted(const fs::path& root)
    {
        app::setWindowDriveList(std::make_shared<CardDrive>(root));
    }
    ~CardInserted() { app::setWindowDriveList(nullptr); }
};

QByteArray digest(const fs::path& file)
{
    QFile f(QString::fromStdString(file.string()));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result();
}

std::map<fs::path, QByteArray> digests(const fs::path& root)
{
    std::map<fs::path, QByteArray> all;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            all[e.path()] = digest(e.path());
    return all;
}

std::vector<fs::path> filesWith(const fs::path& folder, const std::string& extension)
{
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(folder)) {
        std::string ext = e.path().extension().string();
        for (char& c : ext)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (ext == extension)
            found.push_back(e.path());
    }
    return found;
}

QString run(const QString& program, const QStringList& arguments, QString* errors = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The frame codes of every picture of a movie, decoded by ffmpeg.
std::vector<int> frameCodes(const fs::path& movie, int width, int height)
{
    QProcess p;
    p.start("ffmpeg",
        { "-v", "error", "-i", QString::fromStdString(movie.string()), "-f", "rawvideo", "-pix_fmt", "gray",
            "-" });
    p.waitForFinished(60000);
    const QByteArray out = p.readAllStandardOutput();
    std::vector<int> codes;
    const qsizetype frame = qsizetype(width) * height;
    for (qsizetype at = 0; at + frame <= out.size(); at += frame)
        codes.push_back(democard::readFrameCodeGray(
            reinterpret_cast<const std::uint8_t*>(out.constData() + at), width, height, width));
    return codes;
}

class WindowExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        democard::CardOptions o = kivora::app::test::windowCardOptions(root, 3, 4.0);
        o.triggers
            = { democard::Trigger::Continuous, democard::Trigger::Continuous, democard::Trigger::Continuous };
        previous = fs::current_path();
        auto made = democard::writeCard(o);
        ASSERT_TRUE(made) << "card: " << made.error;
        fs::create_directories(out);
        fs::current_path(work.path());
    }
    void TearDown() override { fs::current_path(previous); }

    bool waitLoaded(app::CkivoraDlg& dlg)
    {
        return processEventsUntil([&] { return dlg.openSequence().opened() && dlg.clockRunning(); }, 30000);
    }
    bool waitWorker(app::CkivoraDlg& dlg)
    {
        processEventsUntil([&] { return dlg.workerHost().workerRunning(); }, 2000);
        return processEventsUntil([&] { return !dlg.workerHost().workerRunning(); }, 60000);
    }

    TempFolder work;
    fs::path root = work / "card";
    fs::path out = work / "out";
    fs::path previous;
};

TEST_F(WindowExport, SavesTwoRecordingsOfARemovableCardAsJoinedMoviesAndLeavesTheSourcesAlone)
{
    // Started without a source, the window takes the inserted card as it would at a user's.
    const CardInserted inserted(root);
    app::CkivoraDlg dlg;
    auto dialogs = std::make_unique<ScriptedDialogs>(out);
    auto texts = dialogs->texts;
    dlg.setExportCommands(
        app::makeWindowExportCommands(dlg, std::move(dialogs), std::make_unique<FirstChooser>(2)));
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_EQ(dlg.browser().sourceKind(), recording::SourceKind::Card);
    EXPECT_EQ(dlg.browser().sourcePath(), root);
    EXPECT_TRUE(dlg.commandEnabled(app::kCmdCsv));
    const auto before = digests(root);
    const fs::path firstMain = dlg.browser().Entry(0)->path;
    const fs::path secondMain = dlg.browser().Entry(1)->path;

    dlg.seekTo(50);
    processEventsUntil([&] { return dlg.shownFrameIndex() == 50; }, 5000);
    ASSERT_TRUE(dlg.commandEnabled(app::kCmdSave));
    dlg.runCommand(app::kCmdSave);
    ASSERT_TRUE(waitWorker(dlg));
    const std::vector<fs::path> movies = filesWith(out, ".mov");
    ASSERT_EQ(movies.size(), 2u) << "the main and the sub camera's joined movies";
    int mains = 0;
    for (const fs::path& movie : movies) {
        QString errors;
        run("ffmpeg", { "-v", "error", "-i", QString::fromStdString(movie.string()), "-f", "null", "-" },
            &errors);
        EXPECT_TRUE(errors.isEmpty()) << movie << ": " << errors.toStdString();
        // Two recordings of 4 s each at the card's rate: twice as long as one.
        const double seconds = run("ffprobe",
            { "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                QString::fromStdString(movie.string()) })
                                   .trimmed()
                                   .toDouble();
        EXPECT_NEAR(seconds, 8.0, 0.3) << movie;
        // Each camera's joined movie runs through both recordings' pictures in order.
        const bool main = recording::IsMainCameraName(movie);
        mains += main ? 1 : 0;
        const int width = main ? 640 : 320;
        const int height = main ? 360 : 180;
        std::vector<int> expected;
        for (const fs::path& part : { firstMain, secondMain }) {
            const std::vector<int> codes = frameCodes(main ? part : recording::PairPath(part), width, height);
            ASSERT_FALSE(codes.empty()) << part;
            expected.insert(expected.end(), codes.begin(), codes.end());
        }
        EXPECT_TRUE(std::none_of(expected.begin(), expected.end(), [](int code) { return code < 0; }))
            << "every source picture carries its code";
        EXPECT_EQ(frameCodes(movie, width, height), expected) << movie;
    }
    EXPECT_EQ(mains, 1);
    EXPECT_EQ(digests(root), before) << "the card is byte for byte as it was";
    // The recording opens again where it was after the work.
    EXPECT_TRUE(waitLoaded(dlg));
    EXPECT_TRUE(processEventsUntil([&] { return dlg.shownFrameIndex() == 50; }, 5000))
        << dlg.shownFrameIndex();

    // The same recordings opened as a folder are no recorder's card: no listing, no save.
    ASSERT_TRUE(dlg.openSource(firstMain.parent_path()));
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return dlg.browser().sourceKind() == recording::SourceKind::Folder && !dlg.browser().loading();
        },
        10000));
    EXPECT_FALSE(dlg.commandEnabled(app::kCmdCsv));
    EXPECT_FALSE(dlg.commandEnabled(app::kCmdSave));
}

TEST_F(WindowExport, AStillCarriesTheFramesTimeAndPositionInItsExif)
{
    app::CkivoraDlg dlg(root);
    dlg.setExportCommands(app::makeWindowExportCommands(
        dlg, std::make_unique<ScriptedDialogs>(out), std::make_unique<FirstChooser>(1)));
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    // Past the first second the generated drive has its GPS fix.
    dlg.seekTo(60);
    processEventsUntil([&] { return dlg.shownFrameIndex() == 60; }, 5000);
    const std::int64_t frame = dlg.shownFrameIndex();
    const auto fix = exporting::EngineFix(dlg.mainEngine(), frame);
    ASSERT_TRUE(fix && fix->valid == 1) << "frame " << frame;

    dlg.runCommand(app::kCmdStill);
    processEventsUntil([&] { return !filesWith(out, ".jpg").empty(); }, 10000);
    const std::vector<fs::path> stills = filesWith(out, ".jpg");
    ASSERT_FALSE(stills.empty());
    const QStringList values = run("exiftool",
        { "-n", "-s3", "-GPSLatitude", "-GPSLongitude", "-DateTimeOriginal",
            QString::fromStdString(stills.front().string()) })
                                   .split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(values.size(), 3) << values.join('|').toStdString();
    EXPECT_NEAR(std::abs(values[0].toDouble()), std::abs(fix->latitude), 1e-5);
    EXPECT_NEAR(std::abs(values[1].toDouble()), std::abs(fix->longitude), 1e-5);
    const recording::SystemTime& t = fix->dateTime;
    EXPECT_EQ(values[2].toStdString(),
        QString::asprintf("%04d:%02d:%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second)
            .toStdString());
}

TEST_F(WindowExport, ARecordingCutAtPowerLossIsRepairedFromTheOfferAndPlays)
{
    // The card's second recording lost power two thirds in: its index was never written.
    std::vector<fs::path> mains;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.path().extension() == ".MOV" && e.path().stem().string().ends_with('M'))
            mains.push_back(e.path());
    std::sort(mains.begin(), mains.end());
    ASSERT_EQ(mains.size(), 3u);
    const fs::path broken = mains[1];
    const auto size = fs::file_size(broken);
    fs::resize_file(broken, size * 2 / 3);
    const auto cardBefore = digests(root);

    app::CkivoraDlg dlg(root);
    auto dialogs = std::make_unique<ScriptedDialogs>(out);
    auto texts = dialogs->texts;
    dlg.setExportCommands(
        app::makeWindowExportCommands(dlg, std::move(dialogs), std::make_unique<FirstChooser>(1)));
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    int row = -1;
    for (int i = 0; i < dlg.browser().Count(); ++i)
        if (dlg.browser().Entry(i)->path == broken)
            row = i;
    ASSERT_GE(row, 0);

    // The user picks it; it fails to open, the box offers the repair and the user accepts.
    ASSERT_TRUE(dlg.selectRecording(row));
    const fs::path repaired = out / broken.filename();
    ASSERT_TRUE(
        processEventsUntil([&] { return dlg.openMoviePath() == repaired && dlg.clockRunning(); }, 60000))
        << ::testing::PrintToString(*texts);
    ASSERT_GE(texts->size(), 2u);
    EXPECT_NE(texts->front().find(std::string(ui::UiText(14))), std::string::npos) << "the offer";
    EXPECT_EQ(dlg.browser().sourceKind(), recording::SourceKind::SingleFiles);

    // Playing, the surface shows the frames the generator numbered, in order.
    ASSERT_TRUE(dlg.play());
    ASSERT_TRUE(processEventsUntil([&] { return dlg.shownFrameIndex() > 10; }, 10000));
    const QImage picture = dlg.mainSurface()->frame().picture.image().convertToFormat(QImage::Format_RGB888);
    const int code = democard::readFrameCode(
        picture.constBits(), picture.width(), picture.height(), int(picture.bytesPerLine()));
    EXPECT_LE(std::abs(code - int(dlg.shownFrameIndex())), 1) << code << " at " << dlg.shownFrameIndex();

    QString errors;
    run("ffmpeg", { "-v", "error", "-i", QString::fromStdString(repaired.string()), "-f", "null", "-" },
        &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    const std::vector<int> codes = frameCodes(repaired, 640, 360);
    ASSERT_GT(codes.size(), 30u);
    for (std::size_t i = 0; i < codes.size(); ++i)
        ASSERT_EQ(codes[i], int(i));
    EXPECT_EQ(digests(root), cardBefore) << "the card, the cut recording included, is as it was";
}

TEST_F(WindowExport, ThePopupMenusTrackAndBundleCommandsWriteTheirFiles)
{
    app::CkivoraDlg dlg(root);
    dlg.setExportCommands(app::makeWindowExportCommands(
        dlg, std::make_unique<ScriptedDialogs>(out), std::make_unique<FirstChooser>(2)));
    dlg.show();
    ASSERT_TRUE(waitLoaded(dlg));
    const auto before = digests(root);
    for (const int id : { app::kCmdTrack, app::kCmdTracks, app::kCmdBundle, app::kCmdRepair })
        EXPECT_TRUE(dlg.commandEnabled(id)) << id;

    // The open recording's track.
    const std::string stem = dlg.openMoviePath().stem().string();
    ASSERT_TRUE(dlg.runCommand(app::kCmdTrack));
    ASSERT_TRUE(waitWorker(dlg));
    for (const char* ext : { ".gpx", ".kml" }) {
        QString errors;
        run("xmllint", { "--noout", QString::fromStdString((out / (stem + ext)).string()) }, &errors);
        EXPECT_TRUE(fs::exists(out / (stem + ext)) && errors.isEmpty()) << ext << errors.toStdString();
    }

    // An evidence bundle of the first two recordings that sha256sum accepts. The end of the
    // worker opens the recording again first.
    ASSERT_TRUE(waitLoaded(dlg));
    ASSERT_TRUE(dlg.runCommand(app::kCmdBundle));
    EXPECT_FALSE(dlg.commandEnabled(app::kCmdBundle)) << "nothing starts while it works";
    ASSERT_TRUE(waitWorker(dlg));
    fs::path bundle;
    for (const auto& e : fs::directory_iterator(out))
        if (e.is_directory() && e.path().filename().string().starts_with("Evidence_"))
            bundle = e.path();
    ASSERT_FALSE(bundle.empty());
    QProcess check;
    check.setWorkingDirectory(QString::fromStdString(bundle.string()));
    check.start("sha256sum", { "-c", "--quiet", "SHA256SUMS" });
    check.waitForFinished(60000);
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    EXPECT_EQ(digests(root), before);
    // The recording plays on afterwards.
    EXPECT_TRUE(waitLoaded(dlg));
}

} // namespace
