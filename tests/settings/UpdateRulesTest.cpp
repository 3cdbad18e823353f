#include "kivora/settings/UpdateRules.h"
#include "kivora/settings/ViewerVersion.h"

#include <gtest/gtest.h>

using namespace kivora::settings;

TEST(UpdateRules, VersionAfterMarkerTakesOnlyADottedNumberOnItsLine)
{
    struct Case {
        std::string body;
        std::optional<std::string> version;
    } cases[] = {
        { "VER:2.0.1.0", "2.0.1.0" }, { "VER:2.0.1.0\r\n", "2.0.1.0" },
        { "  VER: 1.06.00.0 \nnotes\n", "1.06.00.0" },
        { std::string(1022, ' ') + "VER:2.0.2.0", "2.0.2.0" }, // the marker crosses byte 1024
        { std::string(5000, '-') + "\nVER:3.0", "3.0" }, { "no marker here", std::nullopt },
        { "VER:", std::nullopt }, { "VER:<a href=\"javascript:alert(1)\">2.0</a>", std::nullopt },
        { "VER:2.0.1.0<script>", std::nullopt },
        { std::string(kMaxResponseBytes, 'x') + "VER:9.9", std::nullopt }, // beyond the bound
    };
    for (const auto& c : cases)
        EXPECT_EQ(versionAfterMarker(c.body), c.version) << c.body.substr(0, 60);
}

TEST(UpdateRules, GpsTextsMustBeSixDigits)
{
    EXPECT_EQ(formatGpsVersion("230415"), "23/04/15");
    for (const char* bad : { "", "2", "230", "2304", "23041", "2304155", "23a415" })
        EXPECT_EQ(formatGpsVersion(bad), std::nullopt) << bad;
    EXPECT_EQ(gpsVersionOf("230501\r\n"), "230501");
    EXPECT_EQ(gpsVersionOf("<b>230501</b>"), std::nullopt);
}

TEST(UpdateRules, CutAtThirdDot)
{
    EXPECT_EQ(cutAtThirdDot("1.05.02.0"), "1.05.02");
    EXPECT_EQ(cutAtThirdDot("1.05.02"), "1.05.02");
    EXPECT_EQ(cutAtThirdDot("1.2"), "1.2");
    EXPECT_EQ(cutAtThirdDot("1.2.3.4.5"), "1.2.3");
}

TEST(UpdateRules, CompareVersionsTable)
{
    struct Case {
        const char* name;
        UpdateInputs in;
        std::vector<std::pair<std::string, std::string>> shown; // current → available, in order
    } cases[] = {
        { "firmware equal after the cut",
            { "1.05.02", "", "Vireo_download", "VER:1.05.02.0", "VER:2.0.1.0", {} }, {} },
        { "firmware newer", { "1.05.02", "", "Vireo_download", "VER:1.06.00.0", "VER:2.0.1.0", {} },
            { { "1.05.02.0", "1.06.00.0" } } },
        { "viewer file with a line end", { "", "", "", {}, "VER:2.0.1.0\r\n", {} }, {} },
        { "gps newer", { "", "230415", "", {}, "VER:2.0.1.0", "230501" }, { { "23/04/15", "23/05/01" } } },
        { "firmware and gps, firmware first",
            { "1.05.02", "230415", "Sorrel_download", "VER:1.06.00.0", "VER:2.0.1.0", "230501" },
            { { "1.05.02.0", "1.06.00.0" }, { "23/04/15", "23/05/01" } } },
        { "all three", { "1.0.0", "230415", "Vireo_download", "VER:1.0.1", "VER:2.1.0.0", "230501" },
            { { "1.0.0.0", "1.0.1.0" }, { "2.0.1.0", "2.1.0.0" }, { "23/04/15", "23/05/01" } } },
        { "empty firmware input", { "", "", "Vireo_download", "VER:1.06.00.0", {}, {} }, {} },
        { "unknown model key", { "1.0.0", "", "Other_download", "VER:1.06.00.0", {}, {} }, {} },
        { "short gps input", { "", "230", "", {}, {}, "230501" }, {} },
        { "failed downloads", { "1.0.0", "230415", "Vireo_download", {}, {}, {} }, {} },
    };
    for (const auto& c : cases) {
        const auto items = compareVersions(c.in);
        ASSERT_EQ(items.size(), c.shown.size()) << c.name;
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].current, c.shown[i].first) << c.name;
            EXPECT_EQ(items[i].available, c.shown[i].second) << c.name;
        }
    }
}

TEST(UpdateRules, NoticeMarkupEscapesEveryTextAndLinksOnlyOurPages)
{
    const std::vector<UpdateNoticeItem> items {
        { UpdateItem::Firmware, "1<b>", "2\"><a href=\"javascript:x\">",
            "/updates/recorder/vireo/vireo.html" },
    };
    const std::string markup = noticeMarkup(items, "http://updates.example");
    EXPECT_EQ(markup.find("<b>"), std::string::npos);
    EXPECT_EQ(markup.find("javascript:x\">"), std::string::npos);
    EXPECT_NE(markup.find("&lt;a href=&quot;javascript:x&quot;&gt;"), std::string::npos);
    EXPECT_NE(markup.find("<a href=\"http://updates.example/updates/recorder/vireo/vireo.html\">"),
        std::string::npos);
    EXPECT_TRUE(noticeMarkup({}, "http://x").empty());

    EXPECT_TRUE(
        isDownloadPage("http://updates.example/updates/gpsdata/gps_01.html", "http://updates.example"));
    EXPECT_FALSE(isDownloadPage("javascript:alert(1)", "http://updates.example"));
    EXPECT_FALSE(isDownloadPage("http://evil.example/updates/gpsdata/gps_01.html", "http://updates.example"));
    EXPECT_FALSE(
        isDownloadPage("http://updates.example/updates/gpsdata/gps_01.txt", "http://updates.example"));
}

TEST(UpdateRules, UsableBaseUrl)
{
    EXPECT_EQ(usableBaseUrl("https://updates.example/"), "https://updates.example");
    EXPECT_EQ(usableBaseUrl(" http://127.0.0.1:8080 "), "http://127.0.0.1:8080");
    for (const char* bad : { "", "ftp://x", "javascript:alert(1)", "http://", "http:///x", "http://a b",
             "http://x?q", "file:///etc" })
        EXPECT_EQ(usableBaseUrl(bad), std::nullopt) << bad;
}

TEST(ViewerVersion, TextCarriesTheVersionAndTheBuildYear)
{
    EXPECT_EQ(versionText("Oct  3 2022").substr(0, 16), "version 2.0.1.0\n");
    EXPECT_NE(versionText("Oct  3 2022").find("2022"), std::string::npos);
    EXPECT_NE(versionText().find(std::string(__DATE__).substr(7)), std::string::npos);
}
