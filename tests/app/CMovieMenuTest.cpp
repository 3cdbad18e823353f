// The video's popup menu: its items by state, and its sizes.
#include "kivora/app/CMovieMenu.h"
#include "kivora/app/CommandIds.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include <algorithm>
#include <vector>

using namespace kivora::app;

namespace {

struct Row {
    int id;
    int slot;
    bool enabled;
};

bool ownItem(int id)
{
    return id == kCmdRearView || isMenuFileCommand(id);
}

// The table's items (before our own separator and items), as (id, slot, enabled).
std::vector<Row> tableItems(const std::vector<MovieMenuItem>& items)
{
    std::vector<Row> rows;
    for (const MovieMenuItem& i : items) {
        if (ownItem(i.id))
            break;
        rows.push_back({ i.id, i.slot, i.enabled });
    }
    if (!rows.empty() && rows.back().id == 0)
        rows.pop_back(); // the separator before our own item
    return rows;
}

bool operator==(const Row& a, const Row& b)
{
    return a.id == b.id && a.slot == b.slot && a.enabled == b.enabled;
}

} // namespace

TEST(CMovieMenu, ContentsByStateRateAndLayout)
{
    const Row sep { 0, -1, true };
    const std::vector<Row> tail { sep, { 38006, 86, true }, { 38011, 84, true }, sep, { 38009, 81, true } };
    auto with = [](std::vector<Row> head, const std::vector<Row>& rest) {
        head.insert(head.end(), rest.begin(), rest.end());
        return head;
    };
    struct Case {
        const char* what;
        int state, rate, aspect;
        bool full;
        std::vector<Row> expected;
    };
    const std::vector<Case> cases {
        { "closed", 0, 1, 1, false, { { 38011, 84, true }, sep, { 38009, 81, true } } },
        { "closed in full screen", 0, 1, 1, true, { { 38011, 84, true }, sep, { 38009, 81, true } } },
        { "stopped", 1, 1, 1, false, with({ { 38002, 83, true } }, tail) },
        { "paused", 3, 1, 1, false, with({ { 38002, 83, true }, { 38000, 87, true } }, tail) },
        { "playing x1", 2, 1, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, true }, { 38003, 85, true } },
                tail) },
        { "playing x2: fast grayed", 2, 2, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, false }, { 38003, 85, true } },
                tail) },
        { "playing x4: fast grayed", 2, 4, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, false }, { 38003, 85, true } },
                tail) },
        { "playing x0.5: slow grayed", 2, -2, 1, false,
            with({ { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, true }, { 38003, 85, false } },
                tail) },
        { "stopped, full screen, keeping the aspect: stretch", 1, 1, 1, true,
            { { 38002, 83, true }, { 38200, 89, true } } },
        { "paused, full screen, stretched: keep", 3, 1, 0, true,
            { { 38002, 83, true }, { 38000, 87, true }, { 38200, 88, true } } },
        { "playing, full screen, other aspect mode: no aspect item", 2, 1, 2, true,
            { { 38002, 82, true }, { 38000, 87, true }, { 38004, 79, true }, { 38003, 85, true } } },
    };
    for (const Case& c : cases) {
        const std::vector<MovieMenuItem> items = movieMenuItems(c.state, c.rate, c.aspect, c.full, false, 0);
        EXPECT_TRUE(tableItems(items) == c.expected) << c.what;
        // Our own items come last, after a separator: the rear camera while a movie is open, the
        // file commands outside full screen (the open recording's track only while one is open).
        const bool open = c.state >= 1;
        std::vector<int> own;
        for (std::size_t i = c.expected.size(); i < items.size(); ++i)
            own.push_back(items[i].id);
        std::vector<int> expectedOwn { 0 };
        if (open)
            expectedOwn.push_back(kCmdRearView);
        if (open && !c.full)
            expectedOwn.push_back(kCmdTrack);
        if (!(open && c.full))
            expectedOwn.insert(expectedOwn.end(), { kCmdTracks, kCmdBundle, kCmdRepair });
        EXPECT_EQ(own, expectedOwn) << c.what;
    }
    const auto rear = movieMenuItems(1, 1, 1, false, true, 0);
    EXPECT_TRUE(std::find_if(rear.begin(), rear.end(), [](const MovieMenuItem& i) {
        return i.id == kCmdRearView;
    })->checked);
    // The repair item carries the UI text table's label; the others grayed where the window says.
    for (const MovieMenuItem& i :
        movieMenuItems(1, 1, 1, false, false, 0, [](int id) { return id != kCmdBundle; })) {
        if (i.id == kCmdRepair) {
            EXPECT_EQ(i.slot, 14);
        }
        if (ownItem(i.id)) {
            EXPECT_EQ(i.enabled, i.id != kCmdBundle) << i.id;
        }
    }
}

// The designed widths, widened where a label would not fit whole (the Japanese labels of the
// menu's later items are longer than its first ones); in full screen every label fits.
TEST(CMovieMenu, ItemSizesFollowTheScaleAndTheLayoutAndFitEveryLabel)
{
    const QFont font;
    const QFontMetrics metrics(font);
    for (const double s : { 1.0, 1.5 }) {
        for (const int language : { 0, 1 }) {
            SCOPED_TRACE(testing::Message() << "scale " << s << ", language " << language);
            const auto items = movieMenuItems(1, 1, 1, false, false, 0);
            const CMovieMenu normal(items, s, false, font, language);
            const CMovieMenu wide(movieMenuItems(1, 1, 1, true, false, 0), s, true, font, language);
            EXPECT_GE(normal.itemSize().width(), int(70 * s));
            EXPECT_EQ(normal.itemSize().height(), int(20 * s));
            EXPECT_EQ(wide.itemSize(), QSize(int(220 * s), int(20 * s)));
            for (const QAction* action : normal.actions()) {
                if (!action->isSeparator()) {
                    EXPECT_GE(
                        normal.itemSize().width(), int(20 * s) + metrics.horizontalAdvance(action->text()))
                        << action->text().toStdString();
                }
            }
            // play, sep, still, settings, sep, browse, sep, rear, track, tracks, bundle, repair
            EXPECT_EQ(normal.actions().size(), 12);
        }
    }
}

TEST(CMovieMenu, IsAsWideOnScreenAsItsItems)
{
    const QFont font;
    for (const double s : { 1.0, 1.5 }) {
        for (const bool full : { false, true }) {
            CMovieMenu menu(movieMenuItems(2, 1, 1, full, true, 1), s, full, font, 1);
            menu.popup(QPoint(10, 10));
            EXPECT_EQ(menu.width(), menu.itemSize().width()) << s << (full ? " full screen" : "");
            EXPECT_EQ(menu.sizeHint().width(), menu.itemSize().width());
            // Every item spans the menu: nothing is drawn in a margin beside it.
            for (QAction* action : menu.actions()) {
                if (!action->isSeparator()) {
                    EXPECT_EQ(menu.actionGeometry(action).width(), menu.width());
                }
            }
            menu.close();
        }
    }
}
