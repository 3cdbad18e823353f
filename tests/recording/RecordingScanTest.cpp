#include "kivora/recording/RecordingScan.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace kivora::recording;
namespace fs = std::filesystem;

namespace {

// A folder of empty files named like recordings: only names matter to the scan.
class ScanFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path()
                 / ("kivora-scan-" + std::to_string(::getpid()) + "-"
                    + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        ResetCreationCounter();
        setCurrentLayout(0);
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path touch(const fs::path& relative, std::size_t bytes = 0)
    {
        const fs::path p = m_root / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << std::string(bytes, 'x');
        return p;
    }

    fs::path m_root;
};

std::string movie(const char* prefix, const char* date, int number, char camera = 'M')
{
    char name[64];
    std::snprintf(name, sizeof name, "%s-%s-083000-%06d%c.MOV", prefix, date, number, camera);
    return name;
}

const MovieTest kEveryFile = [](const fs::path&) { return true; };

// Keeps the tree as text lines "parent/label flags" for comparison.
class RecordingSink : public NodeSink {
public:
    int count() const override { return static_cast<int>(labels.size()) + m_preFilled; }
    TreeNode insert(TreeNode parent, const std::string& text) override
    {
        labels.push_back(text);
        parents.push_back(parent);
        flags.push_back(0);
        return static_cast<TreeNode>(labels.size());
    }
    void setFlags(TreeNode node, std::uint32_t f) override { flags.at(static_cast<std::size_t>(node) - 1) = f; }

    void preFill(int n) { m_preFilled = n; }
    std::vector<std::string> childrenOf(TreeNode parent) const
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < labels.size(); ++i)
            if (parents[i] == parent)
                out.push_back(labels[i]);
        return out;
    }
    std::uint32_t flagsOf(const std::string& label) const
    {
        for (std::size_t i = 0; i < labels.size(); ++i)
            if (labels[i] == label)
                return flags[i];
        return 0xDEAD;
    }
    TreeNode nodeOf(const std::string& label) const
    {
        for (std::size_t i = 0; i < labels.size(); ++i)
            if (labels[i] == label)
                return static_cast<TreeNode>(i + 1);
        return -1;
    }

    std::vector<std::string> labels;
    std::vector<TreeNode> parents;
    std::vector<std::uint32_t> flags;

private:
    int m_preFilled = 0;
};

std::vector<std::string> namesOf(const std::vector<RecordingEntry>& entries)
{
    std::vector<std::string> out;
    for (const RecordingEntry& e : entries)
        out.push_back(e.path.filename().string());
    return out;
}

// Group labels of the movies directly in folder, and the movies of each group in list order.
std::map<std::string, std::vector<std::string>> groupsOf(const fs::path& folder, bool isCard = false)
{
    RecordingSink sink;
    std::vector<RecordingEntry> folders;
    ScanTargets targets{&sink, nullptr, &folders, kEveryFile, isCard};
    int counter = 0;
    fs::path effective;
    EXPECT_TRUE(ScanFolder(folder, targets, kRootNode, 0, counter, effective));
    std::map<std::string, std::vector<std::string>> groups;
    for (const std::string& label : sink.childrenOf(kRootNode)) {
        std::vector<RecordingEntry> recordings;
        ScanTargets list{&sink, &recordings, nullptr, kEveryFile, isCard};
        int listed = 0;
        fs::path unused;
        EXPECT_TRUE(ScanFolder(folder / label, list, kRootNode, 0, listed, unused));
        EXPECT_EQ(listed, static_cast<int>(recordings.size()));
        groups[label] = namesOf(recordings);
    }
    return groups;
}

} // namespace

TEST_F(ScanFolderTest, GroupsBreakAtGapsSeriesStartsDatesAndTwoHundredMovies)
{
    // Gap after 121, series start at 124, a second day, and the first day again later. A new day
    // alone does not split a group: a drive over midnight keeps its running numbers.
    for (const auto& name : {movie("A___", "230115", 120), movie("A___", "230115", 121), movie("A___", "230115", 123),
                             movie("A__S", "230115", 124), movie("AG__", "230116", 126), movie("A___", "230115", 130)})
        touch("gaps/" + name);
    const auto groups = groupsOf(m_root / "gaps");
    const std::map<std::string, std::vector<std::string>> expected{
        {"230115_0001", {movie("A___", "230115", 120), movie("A___", "230115", 121)}},
        {"230115_0002", {movie("A___", "230115", 123)}},
        {"230115_0003", {movie("A__S", "230115", 124)}},
        {"230116_0001", {movie("AG__", "230116", 126)}},
        {"230115_0004", {movie("A___", "230115", 130)}},
    };
    EXPECT_EQ(groups, expected);

    for (int n = 1; n <= 201; ++n)
        touch("many/" + movie("A___", "230115", n));
    const auto many = groupsOf(m_root / "many");
    ASSERT_EQ(many.size(), 2u);
    // A card that starts at file number 1 still gets its first group.
    EXPECT_EQ(many.at("230115_0001").size(), 200u);
    EXPECT_EQ(many.at("230115_0001").front(), movie("A___", "230115", 1));
    EXPECT_EQ(many.at("230115_0002"), std::vector<std::string>{movie("A___", "230115", 201)});
}

TEST_F(ScanFolderTest, GroupListsFromOneListingEqualOpeningEachGroup)
{
    for (const auto& name : { movie("A___", "230115", 120), movie("A___", "230115", 121),
             movie("A___", "230115", 123), movie("A__S", "230115", 124), movie("A___", "230115", 125),
             movie("AG__", "230116", 127), movie("A___", "230115", 12, 'S') })
        touch("copy/Main/" + name);
    const fs::path folder = m_root / "copy";
    RecordingSink sink;
    int counter = 0;
    fs::path effective;
    ASSERT_TRUE(
        ScanFolder(folder, { &sink, nullptr, nullptr, kEveryFile, false }, kRootNode, 0, counter, effective));
    std::vector<std::string> labels = sink.childrenOf(kRootNode);
    ASSERT_EQ(labels.size(), 4u);
    labels.erase(labels.begin() + 1); // a group without a node is skipped

    // Entries as text: name, sequence and the group's counter.
    std::vector<std::string> oneByOne, fromOneListing;
    ResetCreationCounter();
    for (const std::string& label : labels) {
        std::vector<RecordingEntry> list;
        int listed = 0;
        ASSERT_TRUE(ScanFolder(
            folder / label, { &sink, &list, nullptr, kEveryFile, false }, kRootNode, 0, listed, effective));
        for (const RecordingEntry& e : list)
            oneByOne.push_back(label + " " + e.path.filename().string() + " " + std::to_string(e.sequence)
                + " " + std::to_string(listed));
    }
    ResetCreationCounter();
    std::map<std::string, GroupList> lists;
    for (const std::string& label : labels)
        lists[label];
    ASSERT_TRUE(ScanGroupLists(effective, kEveryFile, lists));
    for (const std::string& label : labels)
        for (const RecordingEntry& e : lists[label].recordings)
            fromOneListing.push_back(label + " " + e.path.filename().string() + " "
                + std::to_string(e.sequence) + " " + std::to_string(lists[label].counter));
    EXPECT_EQ(fromOneListing, oneByOne);
    EXPECT_EQ(oneByOne.size(), 5u);
}

TEST_F(ScanFolderTest, OnlyMainCameraRecordingsAreListedAndMainFolderWins)
{
    touch("copy/Main/" + movie("A___", "230115", 1));
    touch("copy/Main/" + movie("A___", "230115", 2));
    touch("copy/Sub_/" + movie("A___", "230115", 1, 'S'));
    touch("copy/Sub_/" + movie("A___", "230115", 2, 'S'));
    touch("loose/" + movie("A___", "230115", 7, 'S'));
    touch("loose/" + movie("____", "230115", 8));
    touch("loose/notes.txt");
    touch("loose/" + movie("A___", "230115", 9));

    EXPECT_EQ(ClassifyFolder(m_root / "copy"), 1);
    EXPECT_EQ(ClassifyFolder(m_root / "copy/Sub_"), 0);
    EXPECT_EQ(ClassifyFolder(m_root / "absent"), 2);

    RecordingSink sink;
    std::vector<RecordingEntry> folders;
    int counter = 0;
    fs::path effective;
    ASSERT_TRUE(ScanFolder(m_root / "copy", {&sink, nullptr, &folders, kEveryFile, false}, kRootNode, 0, counter,
                           effective));
    EXPECT_EQ(effective, m_root / "copy/Main");
    EXPECT_EQ(sink.labels, std::vector<std::string>{"230115_0001"});
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].path, m_root / "copy/Main" / movie("A___", "230115", 1));
    EXPECT_EQ(folders[0].sequence, -1);
    EXPECT_EQ(folders[0].mainSize, kFolderEntrySize);

    EXPECT_EQ(groupsOf(m_root / "copy").at("230115_0001"),
              (std::vector<std::string>{movie("A___", "230115", 1), movie("A___", "230115", 2)}));
    EXPECT_EQ(groupsOf(m_root / "loose"),
              (std::map<std::string, std::vector<std::string>>{{"230115_0001", {movie("A___", "230115", 9)}}}));

    // The engines' test decides too: a movie no engine accepts is not listed.
    EXPECT_FALSE(IsListable(m_root / "loose" / movie("A___", "230115", 9), [](const fs::path&) { return false; }));

    // A FIFO named like a movie blocks nothing and is not listed.
    const fs::path fifo = m_root / "loose" / movie("A___", "230115", 10);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(IsListable(fifo, [](const fs::path& p) { return IsMovieFile(p); }));
    std::vector<RecordingEntry> none;
    EXPECT_FALSE(MakeRecordingEntry(fifo, none));
}

TEST_F(ScanFolderTest, CardOrdersVideoBeforeParkingAndFlagsItsNodes)
{
    for (const char* root : {"card", "plain"}) {
        touch(fs::path(root) / "Video" / movie("A___", "230115", 1));
        touch(fs::path(root) / "Video" / movie("AG__", "230115", 2));
        touch(fs::path(root) / "Video" / movie("AM_S", "230115", 3));
        touch(fs::path(root) / "Parking" / movie("P___", "230115", 4));
        touch(fs::path(root) / "Parking" / movie("PGO_", "230115", 5));
        fs::create_directories(m_root / root / "_VData");
    }
    ASSERT_EQ(DetectLayout(m_root / "card"), 1);
    EXPECT_EQ(currentLayout(), 1);

    RecordingSink card;
    std::vector<RecordingEntry> folders;
    int counter = 0;
    fs::path effective;
    ASSERT_TRUE(ScanFolder(m_root / "card", {&card, nullptr, &folders, kEveryFile, true}, kRootNode, 0, counter,
                           effective));
    EXPECT_EQ(card.childrenOf(kRootNode), (std::vector<std::string>{"Video", "Parking", "_VData"}));
    EXPECT_EQ(card.childrenOf(card.nodeOf("Video")), (std::vector<std::string>{"230115_0001", "230115_0002"}));
    EXPECT_EQ(card.flagsOf("Video"), 0x01u | 0x04u | 0x02u);
    EXPECT_EQ(card.flagsOf("Parking"), 0x08u | 0x10u | 0x20u);
    EXPECT_EQ(card.flagsOf("230115_0001"), 0x01u | 0x04u);
    EXPECT_EQ(card.flagsOf("230115_0002"), 0x01u | 0x02u);
    EXPECT_EQ(card.flagsOf("_VData"), 0u);
    // Folder entries: one per group, then one per folder with its effective path.
    EXPECT_EQ(namesOf(folders), (std::vector<std::string>{movie("A___", "230115", 1), movie("AM_S", "230115", 3),
                                                          "Video", movie("P___", "230115", 4), "Parking", "_VData"}));

    RecordingSink plain;
    ASSERT_TRUE(ScanFolder(m_root / "plain", {&plain, nullptr, &folders, kEveryFile, false}, kRootNode, 0, counter,
                           effective));
    // A plain folder is not entered: its subfolders are shown (name order) and expanded later.
    EXPECT_EQ(plain.labels, (std::vector<std::string>{"Parking", "Video", "_VData"}));
}

TEST_F(ScanFolderTest, TreeStopsAtItsNodeLimitAndDepth)
{
    for (int n : {1, 3, 5})
        touch("gaps/" + movie("A___", "230115", n));
    RecordingSink sink;
    sink.preFill(kMaxTreeNodes - 2);
    int counter = 0;
    fs::path effective;
    ASSERT_TRUE(ScanFolder(m_root / "gaps", {&sink, nullptr, nullptr, kEveryFile, false}, kRootNode, 0, counter,
                           effective));
    EXPECT_EQ(sink.labels, (std::vector<std::string>{"230115_0001", "230115_0002"}));

    fs::create_directories(m_root / "deep/a/b/c/d");
    RecordingSink deep;
    std::vector<RecordingEntry> folders;
    ASSERT_TRUE(ScanFolder(m_root / "deep", {&deep, nullptr, &folders, kEveryFile, true}, kRootNode, 0, counter,
                           effective));
    EXPECT_EQ(deep.labels, (std::vector<std::string>{"a", "b", "c"}));

    // On a card a folder's node still shows the triggers of movies whose groups found no room.
    touch("card/Video/" + movie("A___", "230115", 1));
    touch("card/Video/" + movie("AG__", "230115", 3));
    touch("card/Video/" + movie("AM__", "230115", 5));
    RecordingSink card;
    card.preFill(kMaxTreeNodes - 2);
    ASSERT_TRUE(ScanFolder(m_root / "card", {&card, nullptr, &folders, kEveryFile, true}, kRootNode, 0, counter,
                           effective));
    EXPECT_EQ(card.labels, (std::vector<std::string>{"Video", "230115_0001"}));
    EXPECT_EQ(card.flagsOf("Video"), TriggerFlag::Continuous | TriggerFlag::Shock | TriggerFlag::Manual);
    EXPECT_EQ(card.flagsOf("230115_0001"), TriggerFlag::Continuous);
}

TEST_F(ScanFolderTest, ListingSkipsHiddenItemsAndTakesFolderLinksAsFolders)
{
    touch("f/file.MOV");
    touch("f/.hidden.MOV");
    fs::create_directories(m_root / "f/sub");
    fs::create_directories(m_root / "f/.hiddendir");
    fs::create_directory_symlink(m_root / "f/sub", m_root / "f/linked");
    fs::create_symlink(m_root / "f/nowhere", m_root / "f/dangling");
    std::vector<RecordingEntry> listing;
    ASSERT_TRUE(ListFolder(m_root / "f", listing));
    std::map<std::string, bool> folderByName;
    for (const RecordingEntry& e : listing) {
        EXPECT_EQ(e.path.parent_path(), m_root / "f");
        folderByName[e.path.filename().string()] = (e.attributes & kAttrDirectory) != 0;
    }
    EXPECT_EQ(folderByName,
              (std::map<std::string, bool>{{"dangling", false}, {"file.MOV", false}, {"linked", true}, {"sub", true}}));
    EXPECT_FALSE(ListFolder(m_root / "absent", listing));
    EXPECT_FALSE(ListFolder(m_root / "f/file.MOV", listing));
}

TEST_F(ScanFolderTest, CollectFlatListsFoldersFirstInRecordingOrder)
{
    touch("src/" + movie("A___", "230115", 9));
    touch("src/" + movie("A___", "230115", 8));
    touch("src/.hidden/" + movie("A___", "230115", 1));
    touch("src/Video/" + movie("T___", "230116", 30));
    touch("src/Video/" + movie("A__S", "230115", 12));
    touch("src/Video/" + movie("A___", "230115", 12, 'S'));
    touch("src/Parking/" + movie("P___", "230115", 20));
    touch("src/a/b/c/" + movie("A___", "230115", 40));
    touch("src/a/b/c/d/" + movie("A___", "230115", 41));

    std::vector<RecordingEntry> out;
    int counter = 0;
    ASSERT_TRUE(CollectFlat(m_root / "src", kEveryFile, out, counter));
    EXPECT_EQ(namesOf(out), (std::vector<std::string>{movie("P___", "230115", 20), movie("A__S", "230115", 12),
                                                      movie("T___", "230116", 30), movie("A___", "230115", 40),
                                                      movie("A___", "230115", 8), movie("A___", "230115", 9)}));
    EXPECT_EQ(counter, 2); // every file directly in the folder counts
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i].sequence, static_cast<int>(i));
}

TEST_F(ScanFolderTest, RecordingEntriesCarrySizesOfAllThreeFiles)
{
    setCurrentLayout(0);
    const fs::path main = touch("card/Normal/" + movie("AG__", "230115", 123), 5000);
    touch("card/Normal/" + movie("AG__", "230115", 123, 'S'), 300);
    touch("card/_NData/AG__-230115-083000-000123D.ADA", 70);
    const fs::path parked = touch("card/Parking/" + movie("P___", "230115", 124), 10);

    std::vector<RecordingEntry> list;
    ResetCreationCounter();
    ASSERT_TRUE(MakeRecordingEntry(main, list));
    ASSERT_TRUE(MakeRecordingEntry(parked, list));
    EXPECT_FALSE(MakeRecordingEntry(m_root / "card/Normal/missing-file.MOV", list));
    EXPECT_FALSE(MakeRecordingEntry(m_root / "card/_NData/AG__-230115-083000-000123D.ADA", list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].sequence, 0);
    EXPECT_EQ(list[0].triggerLetter, 'A');
    EXPECT_EQ(list[0].mainSize, 5000u);
    EXPECT_EQ(list[0].subSize, 300u);
    EXPECT_EQ(list[0].dataSize, 70u);
    EXPECT_EQ(list[1].sequence, 1);
    EXPECT_EQ(list[1].triggerLetter, 'P');
    EXPECT_EQ(list[1].subSize, 0u);
    EXPECT_EQ(list[1].dataSize, 0u);
    EXPECT_EQ(CreationCounter(), 2);

    // A group of several recordings, some partners and data files missing: a size that the movie
    // test read stands for the movie's own (the scan does not open it again), and the others are
    // found however often their folders are met.
    for (int n : {124, 125, 126})
        touch("card/Normal/" + movie("AG__", "230115", n), 10);
    touch("card/Normal/" + movie("AG__", "230115", 125, 'S'), 301);
    touch("card/_NData/AG__-230115-083000-000125D.ADA", 71);
    touch("card/_NData/AG__-230115-083000-000126D.ADA", 72);
    std::map<std::string, GroupList> lists{{"230115_0001", {}}};
    ASSERT_TRUE(ScanGroupLists(
        m_root / "card/Normal", [](const fs::path&) { return MovieVerdict(true, 4242); }, lists));
    std::vector<std::array<std::uint64_t, 3>> sizes;
    for (const RecordingEntry& e : lists["230115_0001"].recordings)
        sizes.push_back({e.mainSize, e.subSize, e.dataSize});
    EXPECT_EQ(sizes, (std::vector<std::array<std::uint64_t, 3>>{
                         {4242, 300, 70}, {4242, 0, 0}, {4242, 301, 71}, {4242, 0, 72}}));
}

TEST(RecordingScan, FilterByTriggerShowsEachKindOnlyUnderItsOwnFilter)
{
    const std::vector<std::string> names{"A___", "T___", "AG__", "AM__", "P___", "PM__", "PG__", "A_T_", "__T_"};
    std::vector<RecordingEntry> entries;
    for (const std::string& prefix : names) {
        RecordingEntry e{};
        e.path = "/x/" + movie(prefix.c_str(), "230115", 1);
        entries.push_back(e);
    }
    const struct {
        TriggerFilter filter;
        std::vector<std::string> shown;
    } cases[] = {
        {{1, 0, 0, 0, 0}, {"A___", "T___", "A_T_"}},
        {{0, 1, 0, 0, 0}, {"AG__"}},
        {{0, 0, 1, 0, 0}, {"AM__", "PM__"}},
        {{0, 0, 0, 1, 0}, {"P___", "PM__", "A_T_", "__T_"}},
        {{0, 0, 0, 0, 1}, {"PG__"}},
        {{1, 1, 1, 1, 1}, names},
    };
    for (const auto& c : cases) {
        std::vector<RecordingEntry> out;
        const int kept = FilterByTrigger(entries, c.filter, out);
        std::vector<std::string> shown;
        for (const RecordingEntry& e : out)
            shown.push_back(e.path.filename().string().substr(0, 4));
        EXPECT_EQ(shown, c.shown) << c.filter[0] << c.filter[1] << c.filter[2] << c.filter[3] << c.filter[4];
        EXPECT_EQ(kept, static_cast<int>(out.size()));
    }
}

TEST_F(ScanFolderTest, RemovableDrivesComeFromTheMountTableAndTheDisksFlag)
{
    // A stand-in for /sys/class/block: partitions link into their disk's folder.
    const fs::path sys = m_root / "sys";
    for (const auto& [disk, removable] : {std::pair{"sdb", "1"}, std::pair{"sda", "0"}}) {
        fs::create_directories(sys / "devices" / disk / (std::string(disk) + "1"));
        std::ofstream(sys / "devices" / disk / "removable") << removable << "\n";
        std::ofstream(sys / "devices" / disk / (std::string(disk) + "1") / "partition") << "1\n";
        fs::create_directories(sys / "class");
        fs::create_directory_symlink(fs::path("../devices") / disk / (std::string(disk) + "1"),
                                     sys / "class" / (std::string(disk) + "1"));
    }
    fs::create_directories(sys / "devices/mmcblk0");
    std::ofstream(sys / "devices/mmcblk0/removable") << "1\n";
    fs::create_directory_symlink("../devices/mmcblk0", sys / "class/mmcblk0");
    std::ofstream(m_root / "mounts") << "/dev/sda1 / ext4 rw 0 0\n"
                                        "proc /proc proc rw 0 0\n"
                                        "/dev/sdb1 /media/u/CARD\\040ONE vfat rw 0 0\n"
                                        "/dev/mmcblk0 /media/u/SD vfat rw 0 0\n";
    std::vector<fs::path> roots;
    EXPECT_EQ(ListRemovableDrives(roots, m_root / "mounts", sys / "class"), 1);
    EXPECT_EQ(roots, (std::vector<fs::path>{"/media/u/CARD ONE", "/media/u/SD"}));
    EXPECT_EQ(ListRemovableDrives(roots, m_root / "absent", sys / "class"), -1);
    EXPECT_TRUE(roots.empty());
}
