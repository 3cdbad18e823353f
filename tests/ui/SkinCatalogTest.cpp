#include "kivora/ui/CResourceImage.h"
#include "kivora/ui/SkinCatalog.h"
#include "kivora/ui/SkinImages.h"

#include "tests/ui/UiTestApp.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <set>

using namespace kivora::ui;

namespace {

struct Expected {
    int id;
    int width;  // 0: any size
    int height;
    int frames;
};

// Every picture the windows name, with the size and frames they draw it at.
const Expected kNamed[] = {
    // toolbar and caption buttons: four frames (normal, hover, pressed, disabled)
    {137, 128, 32, 4}, {138, 128, 32, 4}, {139, 128, 32, 4}, {142, 128, 32, 4}, {144, 128, 32, 4},
    {145, 128, 32, 4}, {146, 128, 32, 4}, {147, 128, 32, 4}, {148, 128, 32, 4}, {150, 128, 32, 4},
    {151, 128, 32, 4}, {153, 128, 32, 4}, {154, 128, 32, 4}, {200, 128, 32, 4}, {357, 128, 32, 4},
    {155, 184, 18, 4}, {156, 104, 18, 4}, {157, 104, 18, 4},
    // check, choice and dialog close strips
    {217, 48, 12, 4}, {327, 48, 12, 4}, {352, 52, 12, 4},
    // sliders
    {174, 800, 10, 1}, {159, 800, 10, 1}, {160, 25, 10, 1}, {161, 25, 10, 1},
    {167, 100, 20, 1}, {168, 100, 20, 1}, {169, 10, 20, 1}, {170, 10, 20, 1},
    // graph
    {162, 640, 120, 1}, {163, 640, 120, 1}, {188, 640, 120, 1}, {189, 640, 120, 1}, {176, 11, 11, 1},
    // folder-tree badges
    {319, 14, 14, 1}, {315, 14, 14, 1}, {316, 14, 14, 1}, {317, 14, 14, 1}, {318, 14, 14, 1},
    {346, 21, 14, 1}, {347, 21, 14, 1},
    // map page icons and shadow
    {180, 32, 32, 1}, {181, 32, 32, 1}, {182, 32, 32, 1}, {183, 32, 32, 1}, {184, 32, 32, 1},
    {185, 32, 32, 1}, {216, 32, 32, 1}, {221, 32, 32, 1}, {329, 32, 32, 1}, {330, 32, 32, 1},
    {186, 49, 32, 1},
    // the main window's image set
    {129, 1200, 750, 1}, {365, 452, 392, 1}, {366, 452, 392, 1},
    {320, 210, 151, 1}, {307, 210, 151, 1}, {309, 210, 151, 1}, {321, 210, 151, 1}, {325, 210, 151, 1},
    {312, 22, 106, 1}, {313, 22, 106, 1},
    {198, 60, 35, 1}, {199, 60, 35, 1}, {196, 60, 35, 1}, {197, 60, 35, 1}, {192, 60, 35, 1},
    {195, 60, 35, 1}, {358, 60, 35, 1}, {359, 60, 35, 1}, {360, 60, 35, 1},
    {201, 720, 77, 1}, {207, 139, 14, 1}, {206, 191, 19, 1}, {218, 245, 28, 1}, {202, 309, 34, 1},
    {209, 45, 18, 1}, {210, 45, 18, 1}, {208, 45, 18, 1},
    {203, 76, 31, 1}, {204, 76, 31, 1}, {205, 76, 31, 1},
    {213, 32, 14, 1}, {211, 48, 16, 1}, {350, 48, 16, 1}, {219, 42, 28, 1}, {351, 42, 28, 1}, {212, 80, 26, 1},
    {190, 30, 21, 1}, {214, 452, 634, 1}, {215, 227, 634, 1}, {364, 48, 19, 1},
    {348, 0, 0, 1}, {349, 0, 0, 1},
    {331, 0, 0, 1}, {332, 0, 0, 1}, {333, 0, 0, 1}, {334, 0, 0, 1}, {335, 0, 0, 1}, {336, 0, 0, 1},
    {337, 0, 0, 1}, {338, 0, 0, 1}, {339, 0, 0, 1}, {340, 0, 0, 1}, {341, 0, 0, 1}, {342, 0, 0, 1},
    {343, 0, 0, 1}, {344, 0, 0, 1}, {345, 0, 0, 1},
    // icons and cursor
    {128, 32, 32, 1}, {171, 32, 32, 1}, {191, 32, 32, 1},
};

} // namespace

TEST(SkinCatalog, NamesEveryPictureAtItsSize)
{
    kivora::uitest::app();
    ASSERT_FALSE(skinCatalog().empty());
    for (const Expected& x : kNamed) {
        SCOPED_TRACE(x.id);
        const SkinEntry* e = skinEntry(x.id);
        ASSERT_NE(e, nullptr);
        if (x.width > 0) {
            EXPECT_EQ(e->width, x.width);
            EXPECT_EQ(e->height, x.height);
        }
        EXPECT_EQ(e->frames, x.frames);
        EXPECT_FALSE(e->role.empty());
    }
}

TEST(SkinCatalog, EveryListedImageExistsAtItsSizeInBothResolutions)
{
    kivora::uitest::app();
    for (const SkinEntry& e : skinCatalog()) {
        SCOPED_TRACE(e.id);
        const QImage design = loadSkinImage(e.id);
        ASSERT_FALSE(design.isNull());
        EXPECT_EQ(design.size(), QSize(e.width, e.height));
        const QImage hi(skinResourcePath(e.id, true));
        EXPECT_EQ(hi.size(), QSize(2 * e.width, 2 * e.height));
        // No picture may be empty: every one has visible pixels.
        bool visible = false;
        for (int y = 0; y < design.height() && !visible; ++y)
            for (int x = 0; x < design.width() && !visible; ++x)
                visible = qAlpha(design.pixel(x, y)) > 0;
        EXPECT_TRUE(visible);
    }
}

TEST(SkinCatalog, StripFramesAreDistinctAndDisabledIsDimmest)
{
    kivora::uitest::app();
    for (const SkinEntry& e : skinCatalog()) {
        if (e.frames != 4)
            continue;
        SCOPED_TRACE(e.id);
        const QImage img = loadSkinImage(e.id);
        const int fw = e.frameWidth();
        std::set<QByteArray> frames;
        for (int i = 0; i < 4; ++i) {
            const QImage f = img.copy(i * fw, 0, fw, e.height);
            frames.insert(QByteArray(reinterpret_cast<const char*>(f.constBits()), f.sizeInBytes()));
        }
        EXPECT_EQ(frames.size(), 4u);
    }
}

TEST(SkinCatalog, ParserRejectsBadRows)
{
    std::string error;
    const std::string header = "id\tkind\twidth\theight\tframes\tbackground\trole\n";
    EXPECT_EQ(parseSkinCatalog("# c\n" + header + "5\tbitmap\t128\t32\t4\tblack\tx\n", &error).size(), 1u);
    const char* bad[] = {
        "5\tbitmap\t128\t32\t4\tblack\n",           // missing role
        "5\tsprite\t128\t32\t4\tblack\tx\n",        // unknown kind
        "5\tbitmap\t130\t32\t4\tblack\tx\n",        // frames do not split the width
        "5\tbitmap\t-1\t32\t1\tblack\tx\n",         // negative size
        "5\tbitmap\t8\t8\t1\tgrey\tx\n",            // unknown key colour
        "5\tpng\t8\t8\t1\tnone\ta\n5\tpng\t8\t8\t1\tnone\tb\n", // duplicate id
    };
    for (const char* row : bad) {
        error.clear();
        EXPECT_TRUE(parseSkinCatalog(header + row, &error).empty()) << row;
        EXPECT_NE(error.find("line"), std::string::npos) << row;
    }
}

TEST(CResourceImage, LoadsEveryEntryInBothForms)
{
    kivora::uitest::app();
    CResourceImage set;
    ASSERT_TRUE(set.load(QSize(1120, 697)));
    EXPECT_EQ(set.surface().size(), QSize(1120, 697));
    for (int id : CResourceImage::bitmapIds()) {
        SCOPED_TRACE(id);
        ASSERT_FALSE(set.image(id).isNull());
        const QImage& flat = set.bitmap(id);
        ASSERT_EQ(flat.size(), set.image(id).size());
        EXPECT_FALSE(flat.hasAlphaChannel());
    }
    for (int id : CResourceImage::pngIds())
        EXPECT_FALSE(set.image(id).isNull()) << id;
    EXPECT_FALSE(set.image(CResourceImage::kIconId).isNull());
    // Transparent parts take the entry's background colour: white for 203, black for 190.
    EXPECT_EQ(set.bitmap(203).pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(set.bitmap(190).pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_TRUE(set.image(4242).isNull());
    set.clear();
    EXPECT_TRUE(set.image(129).isNull());
}

TEST(CResourceImage, SkinFrameCoversOnlyTheBorder)
{
    kivora::uitest::app();
    CResourceImage set;
    ASSERT_TRUE(set.load(QSize()));
    for (double scale : {1.0, 1.5}) {
        SCOPED_TRACE(scale);
        const int w = int(1120 * scale), h = int(697 * scale);
        QImage canvas(w, h, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(QColor(255, 0, 0));
        {
            QPainter p(&canvas);
            set.drawSkinFrame(p, w, h, scale);
        }
        const QRgb red = qRgb(255, 0, 0);
        EXPECT_NE(canvas.pixel(w / 2, int(10 * scale)), red);     // caption strip
        EXPECT_NE(canvas.pixel(w / 2, h - int(20 * scale)), red); // toolbar strip
        EXPECT_NE(canvas.pixel(int(3 * scale), h / 2), red);      // left border
        EXPECT_NE(canvas.pixel(w - int(3 * scale), h / 2), red);  // right border
        EXPECT_NE(canvas.pixel(w - 1, h - 1), red);               // corner
        EXPECT_EQ(canvas.pixel(w / 2, h / 2), red);               // the inside is left alone
        EXPECT_EQ(canvas.pixel(int(30 * scale), int(60 * scale)), red);
        EXPECT_EQ(canvas.pixel(w - int(30 * scale), h - int(80 * scale)), red);
    }
}
