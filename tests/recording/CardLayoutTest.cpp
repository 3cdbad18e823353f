#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <thread>

using namespace kivora::recording;
namespace fs = std::filesystem;

namespace {

// A fresh, empty folder per test, removed afterwards.
class CardLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_root
            = fs::temp_directory_path() / ("kivora-card-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        setCurrentLayout(0);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
        setCurrentLayout(0);
    }

    fs::path file(const std::string& relative, const std::string& content = "x")
    {
        const fs::path path = m_root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << content;
        return path;
    }

    // Every file below the root, relative, to compare whole card states.
    std::set<std::string> listing() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(m_root)) {
            if (entry.is_regular_file())
                names.insert(fs::relative(entry.path(), m_root).generic_string());
        }
        return names;
    }

    fs::path m_root;
};

const std::string kShock = "AG__-230115-083000-000123";
const std::string kParking = "P___-230115-090000-000124";

} // namespace

TEST_F(CardLayout, DetectLayoutOnFoldersAndMoviePaths)
{
    EXPECT_EQ(DetectLayout(m_root), 0);
    EXPECT_FALSE(IsRecorderCard(m_root));

    fs::create_directory(m_root / "Parking");
    setCurrentLayout(1);
    EXPECT_EQ(DetectLayout(m_root), 1); // "Parking" alone is a layout-0 card
    EXPECT_EQ(currentLayout(), 0);

    fs::create_directory(m_root / "Video");
    EXPECT_EQ(DetectLayout(m_root), 1); // "Video" decides even beside "Parking"
    EXPECT_EQ(currentLayout(), 1);

    fs::create_directory(m_root / "Normal");
    EXPECT_TRUE(IsRecorderCard(m_root));
    EXPECT_EQ(currentLayout(), 0);

    // A movie path (which need not exist) sets the layout of its folder and gives 0.
    EXPECT_EQ(DetectLayout("/nowhere/Video/" + kShock + "M.MOV"), 0);
    EXPECT_EQ(currentLayout(), 1);
    EXPECT_EQ(DetectLayout("/nowhere/copy/" + kShock + "M.MOV"), 0);
    EXPECT_EQ(currentLayout(), 1); // unchanged
    EXPECT_EQ(DetectLayout("/nowhere/Parking/" + kParking + "M.MOV"), 0);
    EXPECT_EQ(currentLayout(), 0);
}

// A worker follows its own card's layout: inside a scope, detection changes the scope's layout
// and never the one other threads read; the outer layout comes back when the scope ends.
TEST_F(CardLayout, AThreadScopeKeepsDetectionToItself)
{
    fs::create_directories(m_root / "Video");
    EXPECT_EQ(MovieLayout(m_root / "Video" / "x.MOV"), 1);
    EXPECT_EQ(MovieLayout(m_root / "Parking" / "x.MOV"), 0);
    EXPECT_EQ(MovieLayout(m_root / "Other" / "x.MOV"), 0);
    EXPECT_EQ(currentLayout(), 0) << "MovieLayout only reads";

    std::thread([this] {
        const ThreadLayoutScope outer(0);
        EXPECT_TRUE(IsRecorderCard(m_root));
        EXPECT_EQ(currentLayout(), 1);
        {
            const ThreadLayoutScope inner(0);
            EXPECT_EQ(currentLayout(), 0);
        }
        EXPECT_EQ(currentLayout(), 1);
    }).join();
    EXPECT_EQ(currentLayout(), 0);
}

TEST_F(CardLayout, OnlyFoldersMakeACard)
{
    file("Video"); // a plain file with a folder's name
    EXPECT_EQ(DetectLayout(m_root), 0);
    EXPECT_FALSE(IsRecorderCard(m_root));
    EXPECT_FALSE(IsRecorderCard(m_root / "missing"));
}

TEST_F(CardLayout, MountRootClimbsToTheVolumeRoot)
{
    const fs::path movie = file("Normal/" + kShock + "M.MOV");
    const fs::path root = MountRoot(movie);
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(movie.native().rfind(root.native(), 0), 0u) << root;
    EXPECT_EQ(MountRoot(m_root / "missing" / "deeper"), MountRoot(m_root));
    EXPECT_EQ(MountRoot("/"), fs::path("/"));
}

TEST_F(CardLayout, MarkDeletedRenamesMovieAndDataOfBothSets)
{
    file("Normal/" + kShock + "M.MOV");
    file("Normal/" + kShock + "S.MOV");
    file("_NData/" + kShock + "D.ADA");
    file("Parking/" + kParking + "M.MOV");
    file("_PData/" + kParking + "D.ADA");

    EXPECT_TRUE(MarkDeleted(m_root / "Normal" / (kShock + "M.MOV"), 0));
    EXPECT_TRUE(MarkDeleted(m_root / "Parking" / (kParking + "M.MOV"), 0));
    const std::set<std::string> expected {
        "Normal/" + kShock + "M.DMY",
        "Normal/" + kShock + "S.MOV", // the sub camera stays
        "_NData/" + kShock + "D.TDA",
        "Parking/" + kParking + "M.DMY",
        "_PData/" + kParking + "D.TDA",
    };
    EXPECT_EQ(listing(), expected);
}

TEST_F(CardLayout, MarkDeletedUsesTheCurrentLayoutAndPlainFolders)
{
    file("Video/" + kShock + "M.MOV");
    file("_VData/" + kShock + "D.ADA");
    file("copy/" + kShock + "M.MOV");
    file("copy/" + kShock + "D.ADA");

    ASSERT_TRUE(IsRecorderCard(m_root));
    EXPECT_TRUE(MarkDeleted(m_root / "Video" / (kShock + "M.MOV")));
    // Outside the layout folders both files lie side by side.
    EXPECT_TRUE(MarkDeleted(m_root / "copy" / (kShock + "M.MOV")));
    const std::set<std::string> expected {
        "Video/" + kShock + "M.DMY",
        "_VData/" + kShock + "D.TDA",
        "copy/" + kShock + "M.DMY",
        "copy/" + kShock + "D.TDA",
    };
    EXPECT_EQ(listing(), expected);
}

TEST_F(CardLayout, MarkDeletedRefusesWithoutChangingAnything)
{
    file("Normal/" + kShock + "M.MOV");
    file("_NData/" + kShock + "D.ADA");
    file("Normal/notes.txt");
    const fs::path movie = m_root / "Normal" / (kShock + "M.MOV");

    const auto before = listing();
    EXPECT_FALSE(MarkDeleted(m_root / "Normal" / "notes.txt", 0));
    EXPECT_FALSE(MarkDeleted(m_root / "Normal" / ("ag__" + kShock.substr(4) + "M.MOV"), 0));
    EXPECT_FALSE(MarkDeleted(m_root / "Normal" / ("A___" + kShock.substr(4) + "M.MOV"), 0)); // missing movie
    EXPECT_EQ(listing(), before);

    file("Normal/" + kShock + "M.DMY", "older marker");
    EXPECT_FALSE(MarkDeleted(movie, 0));
    EXPECT_EQ(listing().count("Normal/" + kShock + "M.MOV"), 1u);
    EXPECT_EQ(listing().count("_NData/" + kShock + "D.ADA"), 1u);
    fs::remove(m_root / "Normal" / (kShock + "M.DMY"));

    // An existing data marker refuses before the movie is touched.
    file("_NData/" + kShock + "D.TDA", "older marker");
    const auto withDataMarker = listing();
    EXPECT_FALSE(MarkDeleted(movie, 0));
    EXPECT_EQ(listing(), withDataMarker);
}

TEST_F(CardLayout, MarkDeletedWithoutDataFileMarksTheMovie)
{
    file("Normal/" + kShock + "M.MOV");
    EXPECT_TRUE(MarkDeleted(m_root / "Normal" / (kShock + "M.MOV"), 0));
    EXPECT_EQ(listing(), std::set<std::string> { "Normal/" + kShock + "M.DMY" });
}

TEST_F(CardLayout, MarkDeletedMatchesLayoutFoldersCaseSensitively)
{
    // "normal" is not the layout folder: the data file is looked for beside the movie.
    file("normal/" + kShock + "M.MOV");
    file("_NData/" + kShock + "D.ADA");
    EXPECT_TRUE(MarkDeleted(m_root / "normal" / (kShock + "M.MOV"), 0));
    const std::set<std::string> expected { "normal/" + kShock + "M.DMY", "_NData/" + kShock + "D.ADA" };
    EXPECT_EQ(listing(), expected);
}
