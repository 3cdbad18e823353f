#include "kivora/recording/RecordingName.h"
#include "kivora/recording/FolderLayout.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

using namespace kivora::recording;

namespace {

std::vector<int> slotsOf(const std::filesystem::path& path)
{
    const TriggerSlots slots = TriggerTextSlots(path);
    return { slots.ids.begin(), slots.ids.begin() + slots.count };
}

struct NameCase {
    const char* name;
    bool recording;
    bool main;
    TriggerKind category;
    std::uint32_t flags;
    std::vector<int> slots;
    const char* label;
};

} // namespace

TEST(RecordingName, ClassifiesNamesTriggersAndLabels)
{
    using K = TriggerKind;
    const NameCase cases[] = {
        // Every trigger row, with and without warnings.
        { "AG__-230115-083000-000123M.MOV", true, true, K::Shock, 0x05, { 164 }, "AG__-083000-000123" },
        { "AGO_-230115-083000-000123M.MOV", true, true, K::Shock, 0x25, { 164, 161 }, "AGO_-083000-000123" },
        { "AM__-230115-083000-000123M.MOV", true, true, K::Manual, 0x03, { 163 }, "AM__-083000-000123" },
        { "AMR_-230115-083000-000123M.MOV", true, true, K::Manual, 0x43, { 163, 162 }, "AMR_-083000-000123" },
        { "A___-230115-083000-000123M.MOV", true, true, K::Continuous, 0x01, { 160 }, "A___-083000-000123" },
        { "A_O_-230115-083000-000123M.MOV", true, true, K::Continuous, 0x21, { 161 }, "A_O_-083000-000123" },
        { "A_R_-230115-083000-000124M.MOV", true, true, K::Continuous, 0x41, { 162 }, "A_R_-083000-000124" },
        { "A_T_-230115-083000-000123M.MOV", true, true, K::Continuous, 0x01, { 168 }, "A_T_-083000-000123" },
        { "P___-230115-083000-000123M.MOV", true, true, K::Parking, 0x08, { 166 }, "P___-083000-000123" },
        { "PG__-230115-083000-000123M.MOV", true, true, K::ParkingShock, 0x10, { 167 },
            "PG__-083000-000123" },
        { "P_T_-230115-083000-000126S.MOV", true, false, K::Parking, 0x09, { 168 }, "P_T_-083000-000126" },
        { "PGT_-230115-083000-000123M.MOV", true, true, K::ParkingShock, 0x11, { 168, 164 },
            "PGT_-083000-000123" },
        { "P_O_-230115-083000-000123M.MOV", true, true, K::Parking, 0x28, {}, "P_O_-083000-000123" },
        { "PM__-230115-083000-000123M.MOV", true, true, K::Parking, 0x0A, {}, "PM__-083000-000123" },
        { "T___-230115-083000-000123M.MOV", true, true, K::Continuous, 0x01, { 165 }, "T___-083000-000123" },
        { "TGR_-230115-083000-000123M.MOV", true, true, K::Shock, 0x45, { 165, 164, 162 },
            "TGR_-083000-000123" },
        { "TMO_-230115-083000-000123M.MOV", true, true, K::Manual, 0x23, { 165, 163, 161 },
            "TMO_-083000-000123" },
        // The series-start marker and the sub camera; the label stops at the camera letter.
        { "A__S-230115-083000-000123S.MOV", true, false, K::Continuous, 0x01, { 160 }, "A__S-083000-000123" },
        // '_' as mode is a recording only with 'T' at index 2 (not index 3).
        { "____-230115-083000-000125M.MOV", false, false, K::Unknown, 0x00, {},
            "____-230115-083000-000125M" },
        { "__T_-230115-083000-000125M.MOV", true, true, K::Parking, 0x01, {}, "__T_-083000-000125" },
        { "___T-230115-083000-000125M.MOV", false, false, K::Unknown, 0x00, {},
            "___T-230115-083000-000125M" },
        // Case-sensitive grammar, although the extension test ignores case.
        { "ag__-230115-083000-000123M.MOV", false, false, K::Unknown, 0x00, {},
            "ag__-230115-083000-000123M" },
        { "AG__-230115-083000-000123M.mov", false, false, K::Shock, 0x05, { 164 },
            "AG__-230115-083000-000123M" },
        { "AG__-230115-083000-000123m.MOV", false, false, K::Shock, 0x05, { 164 },
            "AG__-230115-083000-000123m" },
        // 29 characters: no text; 31 characters: not a recording, but the text still reads it.
        { "AG__-230115-083000-00012M.MOV", false, false, K::Shock, 0x05, {}, "AG__-230115-083000-00012M" },
        { "AG__-230115-083000-0001234M.MOV", false, false, K::Shock, 0x05, { 164 },
            "AG__-230115-083000-0001234M" },
        // Index 26 takes any single character but a line break; a two-byte one makes the name too long.
        { "AG__-230115-083000-000123MxMOV", true, true, K::Shock, 0x05, { 164 }, "AG__-083000-000123" },
        { "AG__-230115-083000-000123M\nMOV", false, false, K::Shock, 0x05, { 164 },
            "AG__-230115-083000-000123M\nMOV" },
        { "AG__-230115-083000-000123M\xC3\xA9MOV", false, false, K::Shock, 0x05, { 164 },
            "AG__-230115-083000-000123M\xC3\xA9MOV" },
        // Broken fields.
        { "AG__x230115-083000-000123M.MOV", false, false, K::Shock, 0x05, { 164 },
            "AG__x230115-083000-000123M" },
        { "AG__-2301a5-083000-000123M.MOV", false, false, K::Shock, 0x05, { 164 },
            "AG__-2301a5-083000-000123M" },
        { "AGX_-230115-083000-000123M.MOV", false, false, K::Shock, 0x05, { 164 },
            "AGX_-230115-083000-000123M" },
        { "AG__-230115-083000-000123D.ADA", false, false, K::Shock, 0x05, { 164 },
            "AG__-230115-083000-000123D" },
        { "README", false, false, K::Unknown, 0x00, {}, "README" },
        { "", false, false, K::Unknown, 0x00, {}, "" },
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Only the last component counts, wherever the file lies.
        const std::filesystem::path path = std::filesystem::path("/card/Normal") / c.name;
        EXPECT_EQ(IsRecordingName(path), c.recording);
        EXPECT_EQ(IsMainCameraName(path), c.main);
        EXPECT_EQ(TriggerCategory(path), c.category);
        std::uint32_t flags = 0x100; // the caller's bits are kept
        EXPECT_TRUE(TriggerFlags(path, flags));
        EXPECT_EQ(flags, c.flags | 0x100);
        EXPECT_EQ(slotsOf(path), c.slots);
        EXPECT_EQ(RecordingLabel(path), c.label);
    }
}

TEST(RecordingName, TriggerTextJoinsTheLookedUpTextsWithPlus)
{
    const auto text = [](int slot) -> std::string_view {
        switch (slot) {
        case 161:
            return "orbis";
        case 163:
            return "manual";
        case 165:
            return "timelapse";
        default:
            return "?";
        }
    };
    EXPECT_EQ(TriggerText("TMO_-230115-083000-000123M.MOV", text), "timelapse+manual+orbis");
    EXPECT_EQ(TriggerText("____-230115-083000-000125M.MOV", text), "");
    EXPECT_EQ(TriggerText("AG__-230115-083000-00012M.MOV", text), "");
}

TEST(RecordingName, MovieExtensionIsDotMovInAnyCaseAtTheEnd)
{
    const struct {
        const char* path;
        bool movie;
    } cases[] = {
        { "a.MOV", true },
        { "a.mov", true },
        { "/x/a.MoV", true },
        { ".mov", true },
        { "a.MOV.bak", false },
        { "a.MOVX", false },
        { "MOV", false },
        { "a.mo", false },
        { "/x.MOV/b", false },
        { "/x/a.b.mov", true },
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMovieExtension(c.path), c.movie) << c.path;
}

TEST(RecordingName, PairPathSwapsCameraFolderAndLetter)
{
    const std::string name = "AG__-230115-083000-000123";
    const struct {
        std::string path;
        std::string pair;
    } cases[] = {
        { "/X/Normal/Main/" + name + "M.MOV", "/X/Normal/Sub_/" + name + "S.MOV" },
        { "/X/Normal/Sub_/" + name + "S.MOV", "/X/Normal/Main/" + name + "M.MOV" },
        { "/X/Normal/main/" + name + "M.MOV", "/X/Normal/Sub_/" + name + "S.MOV" },
        { "Main/" + name + "M.MOV", "Sub_/" + name + "S.MOV" },
        { "/D/copy/" + name + "M.MOV", "/D/copy/" + name + "S.MOV" },
        { "/D/\xE9\x8C\xB2\xE7\x94\xBB/" + name + "M.MOV", "/D/\xE9\x8C\xB2\xE7\x94\xBB/" + name + "S.MOV" },
        // Only a folder named exactly Main or Sub_ with a 30-character name in it swaps.
        { "/D/Domain/" + name + "M.MOV", "/D/Domain/" + name + "S.MOV" },
        { "/D/Main/" + name.substr(0, 24) + "M.MOV", "/D/Main/" + name.substr(0, 24) + "S.MOV" },
        { "/D/MainX" + name + "M.MOV", "/D/MainX" + name + "S.MOV" },
        // Names without a camera letter in place keep their letters; short names never reach a folder.
        { "/D/Main/movie.mov", "/D/Main/movie.mov" },
        { "/D/Main/M.MOV", "/D/Main/S.MOV" },
        { "/M/abc", "/M/abc" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PairPath(c.path).native(), c.pair) << c.path;
}

TEST(RecordingName, DataPathFollowsTheLayoutFolders)
{
    const std::string n = "AG__-230115-083000-000123";
    const std::string p = "P___-230115-083000-000123";
    const struct {
        int layout;
        std::string path;
        std::string data;
    } cases[] = {
        { 0, "/X/Normal/" + n + "M.MOV", "/X/_NData/" + n + "D.ADA" },
        { 0, "/X/Parking/" + p + "M.MOV", "/X/_PData/" + p + "D.ADA" },
        { 1, "/X/Video/" + n + "M.MOV", "/X/_VData/" + n + "D.ADA" },
        { 1, "/X/Parking/" + p + "M.MOV", "/X/_PData/" + p + "D.ADA" },
        { 0, "/X/normal/" + n + "M.mov", "/X/_NData/" + n + "D.ADA" },
        // Outside the layout's folders the data file lies beside the movie.
        { 0, "/X/Video/" + n + "M.MOV", "/X/Video/" + n + "D.ADA" },
        { 1, "/X/Normal/" + n + "M.MOV", "/X/Normal/" + n + "D.ADA" },
        { 0, "/home/u/copy/" + n + "S.MOV", "/home/u/copy/" + n + "D.ADA" },
        { 0, "/X/MyNormal/" + n + "M.MOV", "/X/MyNormal/" + n + "D.ADA" },
        { 0, "/X/Normal/Main/" + n + "M.MOV", "/X/Normal/Main/" + n + "D.ADA" },
        { 0, n + "M.MOV", n + "D.ADA" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DataPath(c.path, c.layout).native(), c.data) << c.layout << " " << c.path;

    // Without a layout argument the current layout decides.
    setCurrentLayout(1);
    EXPECT_EQ(DataPath("/X/Video/" + n + "M.MOV").native(), "/X/_VData/" + n + "D.ADA");
    setCurrentLayout(0);
    EXPECT_EQ(DataPath("/X/Video/" + n + "M.MOV").native(), "/X/Video/" + n + "D.ADA");
}

TEST(RecordingName, NameDateTimeReadsLocalTimeAndNormalisesTheCalendar)
{
    const struct {
        const char* name;
        SystemTime expected;
    } cases[] = {
        { "AG__-230115-083000-000123M.MOV", { 2023, 1, 0, 15, 8, 30, 0, 0 } },
        { "AG__-230229-083000-000123M.MOV", { 2023, 3, 3, 1, 8, 30, 0, 0 } },
        { "AG__-240229-235959-000123M.MOV", { 2024, 2, 4, 29, 23, 59, 59, 0 } },
        { "AG__-231232-000000-000123M.MOV", { 2024, 1, 1, 1, 0, 0, 0, 0 } },
        { "AG__-230115-250000-000123M.MOV", { 2023, 1, 1, 16, 1, 0, 0, 0 } },
        // Lower case and other names that carry the fields still give their time.
        { "ag__-230115-083000-000123M.mov", { 2023, 1, 0, 15, 8, 30, 0, 0 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(NameDateTime(std::string("/card/Normal/") + c.name), c.expected) << c.name;

    std::tm epoch {};
    const std::time_t zero = 0;
    ASSERT_NE(::localtime_r(&zero, &epoch), nullptr);
    const SystemTime local { std::uint16_t(epoch.tm_year + 1900), std::uint16_t(epoch.tm_mon + 1),
        std::uint16_t(epoch.tm_wday), std::uint16_t(epoch.tm_mday), std::uint16_t(epoch.tm_hour),
        std::uint16_t(epoch.tm_min), std::uint16_t(epoch.tm_sec), 0 };
    for (const char* name :
        { "movie.MOV", "AG__-2301a5-083000-000123M.MOV", "AG__-230115-0830-000123M.MOV", "" })
        EXPECT_EQ(NameDateTime(name), local) << name;
}
