#include "kivora/browse/RecorderIdentification.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/RecordingScan.h"

#include "BrowseTestSupport.h"

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

namespace fs = std::filesystem;

std::array<char, 6> bytes(const char (&text)[7])
{
    std::array<char, 6> out {};
    std::copy(text, text + 6, out.begin());
    return out;
}

TEST(RecorderIdentification, VersionsTakeOnlyDigits)
{
    EXPECT_EQ(firmwareFromRaw(bytes("010203")), "1.2.3");
    EXPECT_EQ(firmwareFromRaw(bytes("991000")), "99.10.0");
    EXPECT_EQ(firmwareFromRaw(bytes("01a203")), std::nullopt);
    EXPECT_EQ(firmwareFromRaw(bytes("01 203")), std::nullopt);
    EXPECT_EQ(firmwareFromRaw(std::array<char, 6> {}), std::nullopt);

    EXPECT_EQ(gpsVersionFromTrailer(bytes("230101")), "230101");
    EXPECT_EQ(gpsVersionFromTrailer(bytes("      ")), std::nullopt);
    EXPECT_EQ(gpsVersionFromTrailer(std::array<char, 6> {}), "000000");
    EXPECT_EQ(gpsVersionFromTrailer(bytes("23<b>1")), std::nullopt);
    EXPECT_EQ(gpsVersionFromTrailer(bytes("2301 1")), std::nullopt);
}

TEST(RecorderIdentification, ModelKeyPrefersVireo)
{
    TempFolder dir;
    EXPECT_EQ(modelKeyAt(dir.path()), "");
    writeText(dir / "Sorrel_download.url", "");
    EXPECT_EQ(modelKeyAt(dir.path()), "Sorrel_download");
    writeText(dir / "Vireo_download.url", "");
    EXPECT_EQ(modelKeyAt(dir.path()), "Vireo_download");
}

struct ScannedCard {
    fs::path root;
    std::vector<recording::RecordingEntry> folders;
};

ScannedCard scan(const fs::path& root)
{
    ScannedCard card { root, {} };
    recording::IsRecorderCard(root);
    struct Sink final : recording::NodeSink {
        int n = 0;
        int count() const override { return n; }
        recording::TreeNode insert(recording::TreeNode, const std::string&) override { return ++n; }
        void setFlags(recording::TreeNode, std::uint32_t) override { }
    } sink;
    std::vector<recording::RecordingEntry> recordings;
    recording::ScanTargets targets;
    targets.sink = &sink;
    targets.recordings = &recordings;
    targets.folders = &card.folders;
    targets.isMovie = [](const fs::path&) { return true; };
    targets.isCard = true;
    int counter = 0;
    fs::path effective;
    recording::ScanFolder(root, targets, recording::kRootNode, 0, counter, effective);
    return card;
}

TEST(RecorderIdentification, ReadsTheNewestRecordingOfAGeneratedCard)
{
    TempFolder dir;
    ASSERT_TRUE(test::writeCard(dir / "card", 6, { "--layout", "1" }));
    ASSERT_TRUE(test::writeCard(
        dir / "spaces", 3, { "--layout", "1", "--gps-version", "none", "--model", "Sorrel" }));
    const RecorderIdentity before { "9.9.9", "111111", "old" };

    const ScannedCard card = scan(dir / "card");
    const RecorderIdentity id = identifyRecorder(card.root, card.folders, before);
    EXPECT_EQ(id.firmwareVersion, "1.2.3");
    EXPECT_EQ(id.gpsDataVersion, "230101");
    EXPECT_EQ(id.modelKey, "Vireo_download");

    // Six spaces keep the previous GPS version.
    const ScannedCard spaces = scan(dir / "spaces");
    const RecorderIdentity kept = identifyRecorder(spaces.root, spaces.folders, before);
    EXPECT_EQ(kept.firmwareVersion, "1.2.3");
    EXPECT_EQ(kept.gpsDataVersion, "111111");
    EXPECT_EQ(kept.modelKey, "Sorrel_download");

    // Without a trailer the version reads "000000": cut the end tag off every data file.
    for (const auto& item : fs::recursive_directory_iterator(dir / "card"))
        if (item.is_regular_file() && item.path().parent_path().filename() == "_VData")
            fs::resize_file(item.path(), fs::file_size(item.path()) - 12);
    const RecorderIdentity cut = identifyRecorder(card.root, card.folders, before);
    EXPECT_EQ(cut.gpsDataVersion, "000000");

    // An empty card changes nothing.
    const RecorderIdentity none = identifyRecorder(dir.path(), {}, before);
    EXPECT_EQ(none.firmwareVersion, before.firmwareVersion);
    EXPECT_EQ(none.gpsDataVersion, before.gpsDataVersion);
    EXPECT_EQ(none.modelKey, before.modelKey);
}

} // namespace
} // namespace kivora::browse
