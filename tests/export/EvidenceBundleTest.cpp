#include "kivora/export/EvidenceBundle.h"
#include "kivora/export/BundleVerify.h"
#include "kivora/export/FileBlocks.h"
#include "kivora/recording/FolderLayout.h"
#include "tests/export/ExportTestCard.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <set>
#include <thread>

namespace kivora::exporting {
namespace {

namespace fs = std::filesystem;
using kivora::testing::runCli;
using kivora::testing::runProgram;
using test::listTree;
using test::readBytes;
using test::snapshotTree;

// One card for the whole suite: a shock and a manual recording with sub movies and data files.
class EvidenceBundleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_card = new TempFolder;
        const auto made = runCli({ "democard", (s_card->path() / "card").string(), "--recordings", "2",
            "--days", "1", "--seconds", "2", "--main", "320x180", "--sub", "320x180", "--triggers",
            "shock,manual", "--manifest", "none" });
        ASSERT_EQ(made.status, 0) << made.out;
        for (const auto& e : fs::directory_iterator(card() / "Normal"))
            if (e.path().string().ends_with("M.MOV"))
                s_movies.push_back(e.path());
        std::sort(s_movies.begin(), s_movies.end());
        ASSERT_EQ(s_movies.size(), 2u);
    }
    static void TearDownTestSuite()
    {
        delete s_card;
        s_card = nullptr;
    }
    static fs::path card() { return s_card->path() / "card"; }

    // A bundle of both recordings in a fresh folder.
    fs::path build()
    {
        BundleRequest request { s_movies, m_out.path() };
        const BundleResult result = BuildEvidenceBundle(request);
        EXPECT_TRUE(result.ok) << result.error;
        return result.path;
    }

    static TempFolder* s_card;
    static std::vector<fs::path> s_movies;
    TempFolder m_out;
};
TempFolder* EvidenceBundleTest::s_card = nullptr;
std::vector<fs::path> EvidenceBundleTest::s_movies;

std::int64_t mtimeNs(const fs::path& path)
{
    struct stat st { };
    ::stat(path.c_str(), &st);
    return std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

QJsonObject manifestOf(const fs::path& bundle)
{
    QFile file(QString::fromStdString((bundle / kManifestFileName).string()));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

TEST_F(EvidenceBundleTest, HoldsExactCopiesThatSha256sumAccepts)
{
    const auto before = snapshotTree(card());
    const fs::path bundle = build();
    ASSERT_FALSE(bundle.empty());
    EXPECT_TRUE(bundle.filename().string().starts_with("Evidence_"));
    EXPECT_EQ(snapshotTree(card()), before) << "the originals were changed";
    // Nothing but the bundle is left in the destination (no staging folder).
    EXPECT_EQ(listTree(m_out.path()).front(), bundle.filename().string());
    EXPECT_EQ(std::distance(fs::directory_iterator(m_out.path()), fs::directory_iterator()), 1);

    const auto check
        = runProgram({ "sh", "-c", "cd \"$0\" && sha256sum -c --strict SHA256SUMS", bundle.string() },
            kivora::testing::Stderr::Merge);
    EXPECT_EQ(check.status, 0) << check.out;

    // Every original file, main, sub and data, copied byte for byte with its modification time.
    int originals = 0;
    for (const auto& [path, bytes] : before) {
        if (path.extension() != ".MOV" && path.extension() != ".ADA")
            continue;
        const fs::path copy = bundle / "originals" / path.parent_path().filename() / path.filename();
        ASSERT_TRUE(fs::exists(copy)) << copy;
        EXPECT_EQ(readBytes(copy), bytes) << copy;
        EXPECT_EQ(mtimeNs(copy), mtimeNs(path)) << copy;
        ++originals;
    }
    EXPECT_EQ(originals, 6);

    const QJsonObject manifest = manifestOf(bundle);
    EXPECT_EQ(manifest.value("generator").toString(), "kivora");
    EXPECT_FALSE(manifest.value("version").toString().isEmpty());
    EXPECT_FALSE(manifest.value("exportTime").toString().isEmpty());
    std::multiset<std::string> roles;
    for (const QJsonValue& f : manifest.value("files").toArray()) {
        const QJsonObject o = f.toObject();
        const fs::path path = bundle / o.value("path").toString().toStdString();
        EXPECT_EQ(std::uint64_t(o.value("size").toDouble()), fs::file_size(path)) << path;
        roles.insert(o.value("role").toString().toStdString());
    }
    for (const char* role :
        { "joined-main", "joined-sub", "joined-data", "track-gpx", "track-kml", "listing", "report" })
        EXPECT_EQ(roles.count(role), 1u) << role;
    EXPECT_EQ(roles.count("original-main"), 2u);
    // The shock and the manual mark each get a still.
    EXPECT_EQ(roles.count("still"), 2u);

    // The joined movies are movies a peer reads without complaint.
    for (const QJsonValue& f : manifest.value("files").toArray()) {
        const QJsonObject o = f.toObject();
        if (!o.value("role").toString().startsWith("joined-m")
            && !o.value("role").toString().startsWith("joined-s"))
            continue;
        const auto ffmpeg = runProgram(
            { "ffmpeg", "-v", "error", "-nostdin", "-i",
                (bundle / o.value("path").toString().toStdString()).string(), "-f", "null", "-" },
            kivora::testing::Stderr::Merge);
        EXPECT_EQ(ffmpeg.status, 0);
        EXPECT_EQ(ffmpeg.out, "");
    }
}

// A card of the other layout ("Video" / "_VData") while the window shows a card of either layout:
// the data files are paired by the recordings' own layout, given or found, and the window's
// layout is never written, not even for a moment.
TEST_F(EvidenceBundleTest, FollowsTheRecordingsLayoutAndLeavesTheWindowsAlone)
{
    TempFolder other;
    const auto made
        = runCli({ "democard", (other.path() / "card").string(), "--layout", "1", "--recordings", "1",
            "--seconds", "1", "--main", "320x180", "--no-sub", "--triggers", "shock", "--manifest", "none" });
    ASSERT_EQ(made.status, 0) << made.out;
    std::vector<fs::path> movies;
    for (const auto& e : fs::directory_iterator(other.path() / "card" / "Video"))
        movies.push_back(e.path());
    ASSERT_EQ(movies.size(), 1u);
    const std::string data = movies[0].stem().string().substr(0, 25) + "D.ADA";

    std::vector<std::string> first;
    for (const int window : { 0, 1 }) {
        for (const std::optional<int> given : { std::optional<int> {}, std::optional<int> { 1 } }) {
            SCOPED_TRACE(::testing::Message() << "window " << window << ", given " << given.value_or(-1));
            recording::setCurrentLayout(window);
            std::atomic<bool> building { true }, changed { false };
            std::thread reader([&] {
                while (building) {
                    changed = changed || recording::currentLayout() != window;
                    std::this_thread::yield();
                }
            });
            TempFolder out;
            BundleRequest request { movies, out.path() };
            request.layout = given;
            const BundleResult result = BuildEvidenceBundle(request);
            building = false;
            reader.join();
            ASSERT_TRUE(result.ok) << result.error;
            EXPECT_FALSE(changed);
            EXPECT_EQ(recording::currentLayout(), window);
            const auto tree = listTree(result.path);
            EXPECT_NE(std::find(tree.begin(), tree.end(), "originals/_VData/" + data), tree.end());
            EXPECT_TRUE(std::any_of(tree.begin(), tree.end(), [](const std::string& p) {
                return p.starts_with("joined/") && p.ends_with(".ADA");
            })) << "the joined movie has its data file";
            if (first.empty())
                first = tree;
            EXPECT_EQ(tree, first);
        }
    }
    recording::setCurrentLayout(0);
}

TEST_F(EvidenceBundleTest, ReportFetchesNothing)
{
    const fs::path bundle = build();
    const std::string html = readBytes(bundle / "report.html");
    for (const char* remote : { "http:", "https:", "<script", "src=", "@import", "url(", "//" })
        EXPECT_EQ(html.find(remote), std::string::npos) << remote;
    EXPECT_NE(html.find("shock"), std::string::npos);
    EXPECT_NE(html.find("manual mark"), std::string::npos);
    EXPECT_NE(html.find(s_movies.front().filename().string()), std::string::npos);
    const auto xml = runProgram({ "xmllint", "--noout", "--html", (bundle / "report.html").string() },
        kivora::testing::Stderr::Merge);
    EXPECT_EQ(xml.status, 0) << xml.out;
}

// One flipped byte in any file is found, and only that file is named.
TEST_F(EvidenceBundleTest, VerifyNamesEveryChangedFile)
{
    const fs::path bundle = build();
    ASSERT_TRUE(VerifyBundle(bundle).ok);
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(bundle))
        if (e.is_regular_file())
            files.push_back(fs::relative(e.path(), bundle).generic_string());
    ASSERT_GE(files.size(), 15u);
    const fs::path copy = m_out / "copy";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        fs::remove_all(copy);
        fs::copy(bundle, copy, fs::copy_options::recursive);
        std::fstream f(copy / file, std::ios::in | std::ios::out | std::ios::binary);
        const auto at = std::streamoff(fs::file_size(copy / file) / 2);
        f.seekg(at);
        const char c = char(f.get());
        f.seekp(at);
        f.put(char(c ^ 0x01));
        f.close();
        const BundleCheck check = VerifyBundle(copy);
        EXPECT_FALSE(check.ok);
        EXPECT_EQ(check.changed, std::vector<std::string> { file });
        EXPECT_TRUE(check.missing.empty());
        EXPECT_TRUE(check.extra.empty());
    }
}

TEST_F(EvidenceBundleTest, VerifyCommandNamesMissingAndExtraFiles)
{
    const fs::path bundle = build();
    const auto intact = runCli({ "verify", bundle.string() });
    EXPECT_EQ(intact.status, 0) << intact.out;

    const std::string gone = "originals/Normal/" + s_movies.back().filename().string();
    fs::remove(bundle / gone);
    writeText(bundle / "stills" / "added.jpg", "x");
    const auto damaged = runCli({ "verify", bundle.string() });
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.out.find("missing: " + gone), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find("extra: stills/added.jpg"), std::string::npos) << damaged.out;
    EXPECT_EQ(damaged.out.find("intact"), std::string::npos);
}

// Only plain files count: a link to an identical copy elsewhere is not the bundle's file, and a pipe
// among the files is named without being read, which would never end.
TEST_F(EvidenceBundleTest, VerifyTakesOnlyPlainFiles)
{
    const fs::path bundle = build();
    const std::string linked = "originals/Normal/" + s_movies.front().filename().string();
    fs::copy_file(bundle / linked, m_out / "outside.MOV");
    fs::remove(bundle / linked);
    fs::create_symlink(m_out / "outside.MOV", bundle / linked);
    ASSERT_EQ(::mkfifo((bundle / "pipe").c_str(), 0644), 0);
    fs::create_directory_symlink(m_out.path(), bundle / "elsewhere");
    const BundleCheck check = VerifyBundle(bundle);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.changed, std::vector<std::string> { linked });
    EXPECT_EQ(check.extra, (std::vector<std::string> { "elsewhere", "pipe" }));
    EXPECT_TRUE(check.missing.empty());
}

// With one of its two lists gone the bundle can still be checked; with both damaged it cannot.
TEST_F(EvidenceBundleTest, VerifyWithoutItsLists)
{
    const fs::path bundle = build();
    const fs::path copy = m_out / "copy";
    fs::copy(bundle, copy, fs::copy_options::recursive);
    fs::remove(copy / kSumsFileName);
    BundleCheck check = VerifyBundle(copy);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.missing, std::vector<std::string> { kSumsFileName });
    EXPECT_TRUE(check.changed.empty());

    fs::remove(bundle / kManifestFileName);
    check = VerifyBundle(bundle);
    EXPECT_EQ(check.missing, std::vector<std::string> { kManifestFileName });
    EXPECT_TRUE(check.changed.empty());

    writeText(copy / kManifestFileName, "{");
    check = VerifyBundle(copy);
    EXPECT_FALSE(check.ok);
    EXPECT_FALSE(check.error.empty());
}

// What was left out is said in the bundle's own terms: a note names a copy where it lies in the
// placed bundle, never in the hidden folder it was built in.
TEST_F(EvidenceBundleTest, NotesNameFilesWithinTheBundle)
{
    const fs::path alone = m_out / "in" / "Normal" / s_movies.front().filename();
    fs::create_directories(alone.parent_path());
    fs::copy_file(s_movies.front(), alone); // without its sub movie and data file
    const fs::path dest = m_out / "dest";
    fs::create_directories(dest);
    const BundleResult result = BuildEvidenceBundle({ { alone }, dest });
    ASSERT_TRUE(result.ok) << result.error;
    const std::string expected
        = "no data file for the joined movie: no readable data file for 'originals/Normal/"
        + alone.filename().string() + "'";
    EXPECT_NE(std::find(result.notes.begin(), result.notes.end(), expected), result.notes.end())
        << ::testing::PrintToString(result.notes);
    for (const std::string& note : result.notes)
        EXPECT_EQ(note.find("-partial-"), std::string::npos) << note;
}

// Bad requests and a stopped build leave the destination as it was.
TEST_F(EvidenceBundleTest, FailuresLeaveNothing)
{
    const fs::path notMovie = m_out / "in" / "notes.MOV";
    fs::create_directories(notMovie.parent_path());
    writeText(notMovie, "not a movie");
    const fs::path dest = m_out / "dest";
    fs::create_directories(dest);

    BundleRequest bad { { s_movies.front(), notMovie }, dest };
    EXPECT_FALSE(BuildEvidenceBundle(bad).ok);
    BundleRequest none { {}, dest };
    EXPECT_FALSE(BuildEvidenceBundle(none).ok);
    BundleRequest noFolder { s_movies, m_out / "absent" };
    EXPECT_FALSE(BuildEvidenceBundle(noFolder).ok);
    // A recorder's own folder: what it did not write would disturb its numbering.
    fs::copy(card(), m_out / "card", fs::copy_options::recursive);
    const auto cardBefore = snapshotTree(m_out / "card");
    BundleRequest onCard { s_movies, m_out / "card" / "Normal" };
    const BundleResult refused = BuildEvidenceBundle(onCard);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("outside the recorder's own folders"), std::string::npos) << refused.error;
    EXPECT_EQ(snapshotTree(m_out / "card"), cardBefore);

    std::atomic<bool> cancel { false };
    BundleRequest request { s_movies, dest };
    const BundleResult stopped = BuildEvidenceBundle(
        request, [&](std::uint64_t done, std::uint64_t total) { cancel = done * 2 > total; }, &cancel);
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(listTree(dest).empty());

    // A bundle of the same second is never replaced.
    const BundleResult first = BuildEvidenceBundle(request);
    ASSERT_TRUE(first.ok) << first.error;
    const auto kept = snapshotTree(first.path);
    const BundleResult second = BuildEvidenceBundle(request);
    EXPECT_FALSE(second.ok);
    EXPECT_NE(second.error.find("exists"), std::string::npos) << second.error;
    EXPECT_EQ(snapshotTree(first.path), kept);
    EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), 1);
}

// A copy that the disk spoiled between the write and the read-back fails the bundle by name and
// leaves nothing; the originals are untouched.
TEST_F(EvidenceBundleTest, ACopyThatDiffersFromWhatWasReadFailsTheBundle)
{
    const auto before = snapshotTree(card());
    std::atomic<int> started { 0 };
    std::atomic<bool> spoiled { false };
    SetCopyWrittenHook([&](int fd, std::uint64_t offset, std::size_t size) {
        // The second original's first window: one byte off, as a bad sector or cable would leave it.
        if (offset == 0 && ++started == 2) {
            unsigned char byte = 0;
            ASSERT_EQ(::pread(fd, &byte, 1, off_t(size / 2)), 1);
            byte ^= 0x10;
            ASSERT_EQ(::pwrite(fd, &byte, 1, off_t(size / 2)), 1);
            spoiled = true;
        }
    });
    BundleRequest request { s_movies, m_out.path() };
    const BundleResult result = BuildEvidenceBundle(request);
    SetCopyWrittenHook({});
    ASSERT_TRUE(spoiled);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.cancelled);
    EXPECT_NE(result.error.find("differs from the original"), std::string::npos) << result.error;
    EXPECT_TRUE(listTree(m_out.path()).empty());
    EXPECT_EQ(snapshotTree(card()), before);
}

// A disk that fills up during the build leaves no half bundle: a small memory file system where
// this process may mount one, otherwise a file-size limit on the command.
TEST_F(EvidenceBundleTest, FullDiskLeavesNoHalfBundle)
{
    std::uint64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(card()))
        if (e.is_regular_file())
            bytes += e.file_size();
    const fs::path dest = m_out / "small";
    test::SmallMount mount(dest, "size=" + std::to_string(bytes / 2));
    std::vector<std::string> command { "sh", "-c", "trap '' XFSZ; ulimit -f $0; exec \"$@\"",
        mount.mounted() ? "unlimited" : std::to_string(fs::file_size(s_movies.front()) / 1024 / 2),
        KIVORA_CLI_PATH, "bundle", dest.string() };
    for (const fs::path& movie : s_movies)
        command.push_back(movie.string());
    const auto run = runProgram(command, kivora::testing::Stderr::Merge);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_TRUE(listTree(dest).empty()) << run.out;
}

} // namespace
} // namespace kivora::exporting
